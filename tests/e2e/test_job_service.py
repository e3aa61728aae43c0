"""A client drives whole jobs through the real pipe, one connection each."""

import os
import subprocess
import sys
import time
import unittest
import uuid

from harness import (EMULATOR, NO_REPLY, ON_WINDOWS, REPLY, TIMED_OUT, InstallationTest,
                     system_path, wait_for)

# How the client learns that a request ended the service: on Windows its read
# fails with ERROR_BROKEN_PIPE (the instance was closed, not disconnected).
ENDED_HOW = "system error 109" if ON_WINDOWS else "end of stream"

PORT_TABLE = (
    "Plain\t1\n"
    "Tcp\t2\n"
    "Wsd\t3\t192.0.2.10\n"
    "Odd\t-7\n"
    "Nobody\t0\n"
)


class WholeJob(InstallationTest):

    def test_a_whole_job_connection_by_connection(self):
        app = self.app
        app.write("portlink.table", PORT_TABLE)
        source = os.path.join(self.folder, "overlay.bin")
        target = os.path.join(self.folder, "placed.bin")
        with open(source, "wb") as f:
            f.write(bytes(range(256)) * 4)
        with open(target, "wb") as f:
            f.write(b"an older, longer file that must be replaced whole" * 10)
        app.start()

        self.assertEqual(app.send("RenderXPS/job-1/in file.xps/out.prn"), (REPLY, "RenderReady"))
        self.assertTrue(wait_for(lambda: app.read("jobconvert.log") != ""))
        self.assertEqual(app.read("jobconvert.log"), "job-1/in file.xps/out.prn\n")

        for keyword in ("CreateOverlay", "PrintOverlay"):
            if keyword == "PrintOverlay":
                os.remove(target)
            request = "%s/%s/%s" % (keyword, system_path(source), system_path(target))
            self.assertEqual(app.send(request), (REPLY, "RenderReady"), keyword)
            with open(source, "rb") as a, open(target, "rb") as b:
                self.assertEqual(a.read(), b.read(), keyword)

        self.assertEqual(app.send("Duplex"), (REPLY, "RenderReady"))
        self.assertTrue(wait_for(lambda: "started" in app.read("flipguide.log")))

        # No printer of these names exists for the spooler, so no address is
        # looked up: every nonzero kind is reported as the library gave it.
        for printer, reply in (("Plain", "Port1/"), ("Tcp", "Port2/"), ("Wsd", "Port3/"),
                               ("Odd", "Port-7/")):
            self.assertEqual(app.send("CheckPort/" + printer), (REPLY, reply), printer)
        self.assertIn('GetPortTypeByPrinterName printer="Wsd" -> 3', app.read("portlink.log"))

        self.assertNotEqual(app.converters(), [])
        started = time.monotonic()
        self.assertEqual(app.send("EndRender")[0], NO_REPLY)
        self.assertIn(ENDED_HOW, app.last_error)
        self.assertGreaterEqual(time.monotonic() - started, 4.9)
        self.assertEqual(app.wait(), 0)
        self.assertEqual(app.console_output, b"")
        # The stop has finished before the service ends.
        self.assertEqual(app.converters(), [])

    @unittest.skipUnless(ON_WINDOWS, "short 8.3 names are Windows paths")
    def test_started_through_its_short_path_the_service_keeps_its_names(self):
        # Wine makes up a short name for every long one, as QA1B~X2C.EXE.
        short = subprocess.run(EMULATOR + ["winepath", "-s", self.app.service_path],
                               stdout=subprocess.PIPE, check=True).stdout.decode().strip()
        self.assertNotIn("svc.exe", short)
        self.app.service_path = "Z:" + short.replace("/", "\\")
        self.app.start()
        self.assertEqual(self.app.send("Duplex"), (REPLY, "RenderReady"))
        self.assertEqual(self.app.send("Close")[0], NO_REPLY)
        self.assertEqual(self.app.wait(), 0)

    def test_render_arguments_reach_the_converter_unchanged(self):
        arguments = "Grüße/\u00e9t\u00e9 2026/a\\b/c d/\u4e2d"
        self.app.start()
        self.assertEqual(self.app.send("RenderXPS/" + arguments), (REPLY, "RenderReady"))
        self.assertTrue(wait_for(lambda: self.app.read("jobconvert.log") != ""))
        self.assertEqual(self.app.read("jobconvert.log"), arguments + "\n")
        self.assertEqual(self.app.send("Close")[0], NO_REPLY)
        self.assertEqual(self.app.wait(), 0)


@unittest.skipUnless(os.environ.get("JOBHOST_E2E_TCP_PRINTER"),
                     "needs a printer on a standard TCP/IP port (set JOBHOST_E2E_TCP_PRINTER="
                     "name=address); Linux and Wine have no such printer, so the unit tests "
                     "cover the address query and the failed printer read with a scripted spooler")
class StandardTcpIpPort(InstallationTest):

    def test_the_port_monitor_gives_the_address(self):
        printer, address = os.environ["JOBHOST_E2E_TCP_PRINTER"].split("=", 1)
        self.app.write("portlink.table", printer + "\t2\n")
        self.app.start()
        self.assertEqual(self.app.send("CheckPort/" + printer), (REPLY, "Port2/" + address))
        self.assertEqual(self.app.send("Close")[0], NO_REPLY)


class RequestsThatEndTheService(InstallationTest):
    """Each of these ends the service without a reply and with exit code 0."""

    def check_ends(self, request, prepare=None, reply_timeout=120):
        self.app.write("portlink.table", PORT_TABLE)
        if prepare:
            prepare()
        self.app.start()
        self.assertEqual(self.app.send(request, reply_timeout=reply_timeout)[0], NO_REPLY, request)
        self.assertIn(ENDED_HOW, self.app.last_error, request)
        self.assertEqual(self.app.wait(), 0, request)

    def test_ending_requests(self):
        cases = [
            "Close",
            "Closed for the day",
            "close",
            "Hello",
            "RenderXPS",
            "RenderXPS/only/one",
            "CreateOverlay/only-one-field",
            "CheckPort",
            "CheckPort/Nobody",
            "CheckPort/Unlisted printer",
        ]
        target = os.path.join(self.folder, "placed")
        with open(target, "wb") as f:
            f.write(b"kept")
        sources = [system_path(os.path.join(self.folder, "missing")), system_path(self.folder)]
        if ON_WINDOWS:
            # A pipe with a server behind it, which must go on serving (the unit
            # tests show that it never sees a client).
            server = self.install()
            server.start()
            self.assertTrue(wait_for(lambda: server.knock() == TIMED_OUT, timeout=30))
            sources += ["NUL", "CONIN$", "\\\\.\\pipe\\%sxpsnamedpipe" % server.prefix]
        overlays = ["CreateOverlay/%s/%s" % (source, system_path(target)) for source in sources]
        for request in cases + overlays:
            with self.subTest(request=request):
                self.app = self.install()
                # An overlay source that is no disk file is refused at once.
                self.check_ends(request, reply_timeout=5 if request in overlays else 120)
                self.assertEqual(self.app.read("jobconvert.log"), "", request)
                with open(target, "rb") as f:
                    self.assertEqual(f.read(), b"kept", request)
        if ON_WINDOWS:
            self.assertEqual(server.knock(), TIMED_OUT)
            self.assertEqual(server.send("Close")[0], NO_REPLY)

    def test_a_missing_sibling_ends_the_service_at_once(self):
        self.check_ends("Duplex", lambda: os.remove(self.app.file("flipguide.exe")))
        self.app = self.install()
        started = time.monotonic()
        self.check_ends("RenderXPS/a/b/c", lambda: os.remove(self.app.file("jobconvert.exe")))
        self.assertLess(time.monotonic() - started, 30)

    @unittest.skipIf(ON_WINDOWS, "Linux sources (FIFO, device, folder)")
    def test_overlay_sources_that_are_no_regular_files_fail_at_once(self):
        target = os.path.join(self.folder, "target")
        fifo = os.path.join(self.folder, "fifo")
        folder = os.path.join(self.folder, "folder")
        os.mkfifo(fifo)
        os.mkdir(folder)
        # A FIFO nobody writes to would hold the service in open() for good.
        for source in (fifo, "/dev/zero", folder):
            with self.subTest(source=source):
                with open(target, "w") as f:
                    f.write("kept")
                self.app = self.install()
                self.app.start()
                request = "CreateOverlay/%s/%s" % (system_path(source), system_path(target))
                self.assertEqual(self.app.send(request, reply_timeout=5)[0], NO_REPLY)
                self.assertIn(ENDED_HOW, self.app.last_error)
                self.assertEqual(self.app.wait(), 0)
                with open(target) as f:
                    self.assertEqual(f.read(), "kept")

    def test_overlong_request_texts_are_rejected_not_cut(self):
        target = os.path.join(self.folder, "t")
        self.check_ends("PrintOverlay/%s/%s" % ("s" * 300, system_path(target)))
        self.assertFalse(os.path.exists(target))

    def test_end_render_stops_its_own_converter_and_no_other(self):
        tag = uuid.uuid4().hex[:6]
        # The neighbour's prefix is the end of the stopped one's: a name cut
        # at its blanks would hit it.
        for prefix, neighbour in (("My Printer %s " % tag, "Printer %s " % tag),
                                  ("Drücker Ωmega %s " % tag, "Drucker Omega %s " % tag)):
            with self.subTest(prefix=prefix):
                app, other = self.install(prefix), self.install(neighbour)
                for each in (app, other):
                    each.start()
                    self.assertEqual(each.send("RenderXPS/a/b/c"), (REPLY, "RenderReady"))
                self.assertEqual(other.send("Close")[0], NO_REPLY)
                self.assertNotEqual(app.converters(), [])
                self.assertEqual(app.send("EndRender")[0], NO_REPLY)
                self.assertIn(ENDED_HOW, app.last_error)
                self.assertEqual(app.wait(), 0)
                self.assertEqual(app.converters(), [])
                self.assertNotEqual(other.converters(), [])


class ManyClientsAtOnce(InstallationTest):

    def test_every_request_of_a_storm_is_served(self):
        # 6 clients x 150 requests. On Linux every client waits in the queue
        # until it is served: none is refused or reset. On Windows a client
        # that finds the one free instance taken retries.
        self.app.write("portlink.table", "Plain\t1\n")
        self.app.start()
        # Listening, so no client is refused for a service still starting.
        self.assertTrue(wait_for(lambda: self.app.knock() == TIMED_OUT, timeout=30))
        done = self.app.tool("storm", "--prefix", self.app.prefix, "--clients", "6",
                             "--requests", "150", "--expect", "Port1/", "--timeout", "60",
                             "CheckPort/Plain", check=False, timeout=400)
        line = done.stdout.decode("utf-8", "replace").strip()
        print("\nstorm (%s): %s" % ("Wine" if ON_WINDOWS else "Linux", line), file=sys.stderr)
        words = line.split()
        figures = dict(zip(words[::2], words[1::2]))
        self.assertEqual(done.returncode, 0, line)
        self.assertEqual((figures["requests"], figures["replies"], figures["ended"]),
                         ("900", "900", "0"), line)
        if not ON_WINDOWS:
            self.assertEqual((figures["resets"], figures["refusals"]), ("0", "0"), line)
        self.assertTrue(self.app.running())
        self.assertEqual(self.app.send("Close")[0], NO_REPLY)
        self.assertEqual(self.app.wait(), 0)


if __name__ == "__main__":
    unittest.main()
