"""Port checks through a real CUPS server that the tests start themselves."""

import os
import shutil
import socket
import time
import unittest
import uuid
from contextlib import ExitStack

from cups_server import MISSING, CupsServer, TricklingServer
from harness import (BIN_DIR, BUILD_PREFIX, NO_REPLY, ON_WINDOWS, REAL_PORT_LIBRARY, REPLY,
                     InstallationTest, only_waits)

QUEUES = {
    "Tcp": "socket://192.0.2.5:9100",
    "Lpd": "lpd://user@198.51.100.2/queue",
    "Wsd": "ipp://10.0.0.7/ipp/print",
    "Wsd6": "ipps://[2001:db8::7]:631/ipp/print",
    "Named": "ipp://localhost:631/ipp/print",
    "Lost": "ipp://no-such-host.invalid/ipp/print",
    "Usb": "usb://Vendor/Model?serial=1",
    "B\u00fcro": "socket://192.0.2.9",
    # Hosts that give no address, or none that fits its buffer whole.
    "TcpNoHost": "socket:///queue",
    "WsdNoHost": "ipp:///printers/x",
    "TcpLong": "socket://" + "h" * 200 + ":9100",
    "WsdLong": "ipp://[" + "1:" * 300 + ":1]/ipp",
}

# The request limits: a port check must be answered well within them.
REPLY_LIMIT = 10


@unittest.skipIf(MISSING, MISSING)
class CupsTest(InstallationTest):
    """One CUPS server with the class's queues for the whole class."""

    queues = {name: QUEUES[name] for name in ("Tcp", "Wsd")}

    @classmethod
    def setUpClass(cls):
        cls.cups = CupsServer()
        try:
            cls.cups.start()
            for name, uri in cls.queues.items():
                cls.cups.add_queue(name, uri)
        except BaseException:
            cls.cups.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.cups.close()

    def install(self):
        app = super().install()
        app.env["CUPS_SERVER"] = self.cups.socket
        return app

    def check(self, app, printer, reply):
        self.check_port(app, printer, reply, REPLY_LIMIT)


class ScriptedPortLibrary(CupsTest):
    """The scripted library gives the kind; the spooler gives kind 2's address.
    Under Wine the queues have names of their own, so that a printer which
    Wine's spooler kept from an earlier run cannot pass for one of this
    server's."""

    tag = uuid.uuid4().hex[:6]
    queues = {"Wsd" + tag: QUEUES["Wsd"], "Tcp" + tag: QUEUES["Tcp"]}

    def test_address_paths(self):
        wsd, tcp, missing = "Wsd" + self.tag, "Tcp" + self.tag, "Missing" + self.tag
        self.app.write("portlink.table",
                       "%s\t3\t198.51.100.3\n%s\t2\n%s\t3\t198.51.100.4\n" % (wsd, tcp, missing))
        self.check(self.app, wsd, "Port3/198.51.100.3")
        self.check(self.app, missing, "Port3/")
        log = self.app.read("portlink.log")
        self.assertIn('GetIPAddressFromWsdPortByPrinterName printer="%s"' % wsd, log)
        self.assertNotIn('GetIPAddressFromWsdPortByPrinterName printer="%s"' % missing, log)
        # Names no queue can have reach the spooler, which cannot open them.
        odd = ("Front Desk", "a/b", "B\u00fcro" + self.tag, "\u00e9" * 511)
        self.app.write("portlink.table", "".join(name + "\t2\n" for name in odd + (tcp,)))
        for name in odd:
            self.check(self.app, name, "Port2/")
        if ON_WINDOWS:
            # The monitor path: a monitor that did not open would give no
            # reply. What Wine's monitor answers is Wine's own.
            code, text = self.app.send("CheckPort/" + tcp, reply_timeout=REPLY_LIMIT)
            self.assertEqual(code, REPLY)
            self.assertTrue(text.startswith("Port2/"), text)
        else:
            self.check(self.app, tcp, "Port2/192.0.2.5")
        self.assertEqual(self.app.read("portlink.log").count(" -> 2"), len(odd) + 1)


@unittest.skipIf(ON_WINDOWS, "on Windows the kind comes from the port monitor, not the device URI "
                 "(test_port_monitors)")
class RealPortLibrary(CupsTest):

    queues = QUEUES
    siblings = REAL_PORT_LIBRARY

    def test_kind_and_address_from_the_device_uri(self):
        for printer, reply in (("Tcp", "Port2/192.0.2.5"), ("Lpd", "Port2/198.51.100.2"),
                               ("Wsd", "Port3/10.0.0.7"), ("Wsd6", "Port3/2001:db8::7"),
                               ("Named", "Port3/127.0.0.1"), ("Usb", "Port1/"),
                               ("B\u00fcro", "Port2/192.0.2.9"), ("TcpLong", "Port2/")):
            self.check(self.app, printer, reply)

    def test_checks_that_end_the_service(self):
        for printer in ("Missing", "Lost", "TcpNoHost", "WsdNoHost", "WsdLong", "Front Desk",
                        "Tcp/../Wsd", "\u00e9" * 511):
            with self.subTest(printer=printer[:20]):
                self.check(self.install(), printer, None)


# Set by in_mdns_namespace.sh, which runs this class in a network namespace
# of its own where a multicast DNS responder announces "Office Laser" (host
# office-laser.local) at this address.
MDNS_PRINTER = os.environ.get("JOBHOST_MDNS_PRINTER")


@unittest.skipIf(ON_WINDOWS, "on Windows the kind comes from the port monitor, not the device URI "
                 "(test_port_monitors)")
@unittest.skipUnless(MDNS_PRINTER, "needs a multicast DNS responder (in_mdns_namespace.sh)")
class DriverlessQueues(CupsTest):
    """Queues that name their printer by DNS-SD or by a .local host."""

    queues = {"Driverless": "dnssd://Office%20Laser._ipp._tcp.local./?uuid=1",
              "LocalHost": "ipp://office-laser.local:631/ipp/print",
              "Nobody": "ipp://nobody-here.local/ipp/print"}
    siblings = RealPortLibrary.siblings

    def test_multicast_dns_names_resolve(self):
        for printer in ("Driverless", "LocalHost"):
            self.check(self.app, printer, "Port3/" + MDNS_PRINTER)

    @only_waits
    def test_a_name_nobody_answers_ends_the_check_in_time(self):
        start = time.monotonic()
        self.check(self.install(), "Nobody", None)
        self.assertLess(time.monotonic() - start, REPLY_LIMIT)


@unittest.skipIf(ON_WINDOWS, "Wine's spooler keeps the CUPS printers it has seen after the "
                 "server stops, and does not bound its own waits for a hung server")
class StoppedServer(CupsTest):
    """A hung or stopped server holds no port check beyond the request limits:
    the spooler's printer cannot be opened (the kind without its address), and
    the real library cannot tell the kind (no reply)."""

    def real_library(self):
        app = self.install()
        shutil.copy2(os.path.join(BIN_DIR, BUILD_PREFIX + "portlink.dll"), app.file("portlink.dll"))
        return app

    @only_waits
    def test_port_checks_answer_in_time(self):
        self.app.write("portlink.table", "Tcp\t2\nWsd\t3\t198.51.100.3\n")
        self.check(self.app, "Tcp", "Port2/192.0.2.5")
        for stop in (self.cups.pause, self.cups.stop):
            with self.subTest(stop=stop.__name__):
                stop()
                self.check(self.app, "Tcp", "Port2/")
                self.check(self.app, "Wsd", "Port3/")
                self.check(self.real_library(), "Tcp", None)


@unittest.skipIf(ON_WINDOWS, "the budgets are the Linux spooler's and port library's")
def start_tcp_check(app, cups_server, real_library):
    """Starts the service for a check of printer Tcp (kind 2 in the scripted
    table) on cups_server, with the real port library when asked."""
    app.env["CUPS_SERVER"] = cups_server
    app.write("portlink.table", "Tcp\t2\n")
    if real_library:
        shutil.copy2(os.path.join(BIN_DIR, BUILD_PREFIX + "portlink.dll"),
                     app.file("portlink.dll"))
    app.start()
    return app


class TricklingServerTest(InstallationTest):
    """A server that trickles its answer, or never gives one, holds a port
    check about one question's budget (2.5 s; far less than the 10 s a client
    waits, even in a slow build): the question fails."""

    def check_within(self, pace, library, reply, limit):
        server = TricklingServer(self.folder, "socket://192.0.2.5:9100", pace)
        self.addCleanup(server.close)
        app = start_tcp_check(self.install(), server.socket, library)
        started = time.monotonic()
        code, text = app.send("CheckPort/Tcp", reply_timeout=REPLY_LIMIT)
        self.assertLess(time.monotonic() - started, limit)
        self.assertEqual((code, text) if reply else code, reply or NO_REPLY)

    def test_each_question_ends_within_its_budget(self):
        # A brisk trickle is a valid answer; a slow one (19 s) and none at all are not.
        self.check_within(0.002, True, (REPLY, "Port2/192.0.2.5"), REPLY_LIMIT)
        for pace in (0.1, None):
            with self.subTest(pace=pace):
                self.check_within(pace, False, (REPLY, "Port2/"), 7)
                self.check_within(pace, True, None, 7)


@unittest.skipUnless(os.environ.get("JOBHOST_SILENT_NAME_SERVER"),
                     "needs the namespaces of with_silent_resolver.sh (e2e.silent_name_server)")
class SilentNameServer(CupsTest):
    """A name server that reads the question and never answers holds the port
    library's lookup 2 s, not the resolver's 5 s a try, twice."""

    queues = {"Far": "ipp://printer.jobhost.test/ipp/print", "Near": "ipp://192.0.2.7/ipp"}
    siblings = RealPortLibrary.siblings

    def timed_check(self, printer, reply):
        started = time.monotonic()
        self.check(self.app, printer, reply)
        return time.monotonic() - started

    @only_waits
    def test_the_lookup_gives_up_after_two_seconds(self):
        server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(server.close)
        server.bind((os.environ["JOBHOST_SILENT_NAME_SERVER"], 53))
        self.app.start()
        self.check(self.app, "Near", "Port3/192.0.2.7")
        # The same check without a lookup is the baseline.
        near = self.timed_check("Near", "Port3/192.0.2.7")
        lookup = self.timed_check("Far", None) - near
        self.assertTrue(1.8 < lookup < 3, lookup)
        self.assertIn(b"jobhost", server.recv(512, socket.MSG_DONTWAIT))


@unittest.skipUnless(os.environ.get("JOBHOST_RESOLV_CONF"),
                     "needs the namespaces of with_silent_resolver.sh (e2e.silent_name_server)")
class UnresolvableCupsServer(InstallationTest):

    @only_waits
    def test_a_check_ends_within_the_limits(self):
        conf = os.environ["JOBHOST_RESOLV_CONF"]
        self.addCleanup(shutil.copyfile, shutil.copyfile(conf, conf + ".saved"), conf)
        for servers, library in ((1, False), (1, True), (2, False), (2, True)):
            with self.subTest(servers=servers, library=library), ExitStack() as stack:
                silent = [stack.enter_context(socket.socket(socket.AF_INET, socket.SOCK_DGRAM))
                          for _ in range(servers)]
                with open(conf, "w") as f:
                    for n, server in enumerate(silent, 1):
                        server.bind(("127.0.0.%d" % n, 53))
                        f.write("nameserver 127.0.0.%d\n" % n)
                app = start_tcp_check(self.install(), "cups.jobhost.test:631", library)
                started = time.monotonic()
                reply = app.send("CheckPort/Tcp", reply_timeout=2 * REPLY_LIMIT)
                self.assertLess(time.monotonic() - started, REPLY_LIMIT)
                # The real library cannot tell the kind: the check ends the service.
                self.assertEqual(reply, (NO_REPLY, "") if library else (REPLY, "Port2/"))
                self.assertIn(b"cups", silent[0].recv(512, socket.MSG_DONTWAIT))


if __name__ == "__main__":
    unittest.main()
