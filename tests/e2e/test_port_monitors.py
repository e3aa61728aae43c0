"""Port checks under Wine through its spooler: the real port library, and a
port monitor of the tests' own registered as the TCP/IP and WSD monitors
that Wine lacks, beside Wine's own local monitor."""

import os
import shutil
import subprocess
import tempfile
import unittest
import uuid

import harness
from harness import BIN_DIR, ON_WINDOWS, REAL_PORT_LIBRARY, InstallationTest, system_path

# Printers and monitors stay in a Wine prefix once added, so these tests keep
# a prefix of their own: no other test sees their printers.
if ON_WINDOWS:
    harness.EMULATOR[-1] += "-ports"

TAG = uuid.uuid4().hex[:6]
TCP_PORT, WSD_PORT = "IP_192.0.2.5_" + TAG, "WSD-" + TAG
# IPP ports (of the WSD monitor) named by the printer's URL give its host,
# through the resolver for a host name.
IPP_PORT, IPP_NAMED_PORT = "http://192.0.2.9:631/ipp/" + TAG, "http://localhost:631/ipp/" + TAG
MONITORS = {"Standard TCP/IP Port": ("tcp", {TCP_PORT: "192.0.2.5"}),
            "WSD Port": ("wsd", {WSD_PORT: "", IPP_PORT: "", IPP_NAMED_PORT: ""})}
PRINTERS = {"Tcp": TCP_PORT, "Wsd": WSD_PORT, "Local": "FILE:",
            "Pooled": TCP_PORT + ",FILE:", "Ipp": IPP_PORT, "IppNamed": IPP_NAMED_PORT}


MONITORS_KEY = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\"


def wine(*command):
    """What the Windows command printed; fails the test when it failed."""
    done = subprocess.run(harness.EMULATOR + list(command), stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=300)
    output = done.stdout.decode(errors="replace")
    if done.returncode != 0:
        raise AssertionError("%s: %s" % (" ".join(command), output))
    return output


def fixture(*arguments):
    return wine(os.path.join(BIN_DIR, "spooler_fixture.exe"), *arguments)


def register(monitor, library, ports):
    """Wine's spooler loads the monitor from its Driver value, and finds the
    monitor of a port it opens or adds a printer on from its Ports key."""
    key = MONITORS_KEY + monitor
    wine("reg", "add", key, "/v", "Driver", "/d", system_path(library), "/f")
    for port in ports:
        wine("reg", "add", key + "\\Ports\\" + port, "/f")


@unittest.skipUnless(ON_WINDOWS, "Wine's spooler with the tests' own port monitor")
class SpoolerPorts(InstallationTest):

    siblings = REAL_PORT_LIBRARY

    @classmethod
    def setUpClass(cls):
        cls.monitors = tempfile.mkdtemp(prefix="jobhost-monitors-")
        for monitor, (name, ports) in MONITORS.items():
            library = os.path.join(cls.monitors, name + ".dll")
            shutil.copy2(os.path.join(BIN_DIR, "test_port_monitor.dll"), library)
            with open(library + ".ports", "w", encoding="utf-8") as listing:
                listing.write(monitor + "\n")
                listing.writelines("%s\t%s\n" % port for port in ports.items())
            register(monitor, library, ports)
        for printer, port in PRINTERS.items():
            fixture("printer", printer + TAG, port)

    @classmethod
    def tearDownClass(cls):
        for printer in PRINTERS:
            fixture("remove", printer + TAG)
        for monitor in MONITORS:
            wine("reg", "delete", MONITORS_KEY + monitor, "/f")
        shutil.rmtree(cls.monitors, True)

    def check(self, app, printer, reply):
        self.check_port(app, printer + TAG, reply)

    def test_kind_of_each_port(self):
        # The TCP/IP address is the monitor's answer to the service.
        for printer, reply in (("Tcp", "Port2/192.0.2.5"), ("Local", "Port1/"),
                               ("Pooled", "Port1/"), ("Ipp", "Port3/192.0.2.9"),
                               ("IppNamed", "Port3/127.0.0.1")):
            self.check(self.app, printer, reply)
        self.check(self.install(), "Missing", None)

    def test_wsd_printer_is_a_network_device_without_an_address(self):
        # Wine has no device nodes, so the address call finds none, which
        # ends a port check without a reply: the kind is asked directly.
        library = system_path(self.app.file("portlink.dll"))
        self.assertEqual(fixture("ask", library, "Wsd" + TAG).split(), ["3", "0"])
        self.check(self.app, "Wsd", None)


if __name__ == "__main__":
    unittest.main()
