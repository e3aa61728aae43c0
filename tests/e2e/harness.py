"""Runs the real binaries the way the driver package does.

Each test gets its own folder holding a copy of the service and its siblings
under a family prefix of its own, its own settings store (Linux) or key names
(Windows, Wine's registry), and its own debug log. The same tests run natively
and, with JOBHOST_EMULATOR set to the Wine runner, against the Windows build.
"""

import os
import shlex
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import uuid

BIN_DIR = os.environ.get("JOBHOST_BIN_DIR", "")
BUILD_PREFIX = os.environ.get("JOBHOST_PREFIX", "vtl")
EMULATOR = shlex.split(os.environ.get("JOBHOST_EMULATOR", ""))
ON_WINDOWS = bool(EMULATOR)
TOOL = os.path.join(BIN_DIR, "jobhostctl.exe" if ON_WINDOWS else "jobhostctl")

# Exit codes of "jobhostctl send".
REPLY, SEND_FAILED, NO_REPLY, NO_CONNECTION, TIMED_OUT = 0, 1, 3, 4, 5

SIBLINGS = {
    "jobconvert.exe": "jobconvert.exe",
    "flipguide.exe": "flipguide.exe",
    "portlink_scripted.dll": "portlink.dll",
    "devprobe_scripted.dll": "devprobe.dll",
}
# The same with the real port library.
REAL_PORT_LIBRARY = {built: installed for built, installed in SIBLINGS.items()
                     if installed != "portlink.dll"} | {"portlink.dll": "portlink.dll"}


def system_path(path):
    """The path as the program under test spells it: a Windows path under
    Wine, and on Linux the same backslash form a Windows client would send."""
    if ON_WINDOWS:
        return "Z:" + path.replace("/", "\\")
    return path.replace("/", "\\")


class Installation:
    """One installed copy of the program and its siblings."""

    def __init__(self, folder, siblings=SIBLINGS, prefix=None):
        self.folder = folder
        self.prefix = prefix if prefix is not None else "qa" + uuid.uuid4().hex[:6]
        self.service_path = self.file("svc.exe")
        shutil.copy2(os.path.join(BIN_DIR, BUILD_PREFIX + "svc.exe"), self.service_path)
        for built, installed in siblings.items():
            shutil.copy2(os.path.join(BIN_DIR, BUILD_PREFIX + built), self.file(installed))
        self.env = dict(os.environ)
        self.env["JOBHOST_REGISTRY"] = os.path.join(folder, "registry.sqlite3")
        self.env["JOBHOST_DEBUG_LOG"] = os.path.join(folder, "debug.log")
        # No test depends on the machine's print queues: a test that wants
        # some starts its own CUPS server and points CUPS_SERVER at it.
        self.env["CUPS_SERVER"] = os.path.join(folder, "no-cups-server.sock")
        self.process = None
        self.console_output = b""
        self.console_errors = b""
        self.last_error = ""  # what jobhostctl send wrote to standard error

    def file(self, suffix):
        return os.path.join(self.folder, self.prefix + suffix)

    def read(self, suffix, default=""):
        try:
            with open(self.file(suffix), encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return default

    def write(self, suffix, text):
        with open(self.file(suffix), "w", encoding="utf-8", newline="") as f:
            f.write(text)

    # The program.

    def run(self, *arguments, timeout=60):
        """Runs the program to its end; returns its exit code."""
        return subprocess.run(EMULATOR + [self.service_path, *arguments], env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=timeout).returncode

    def start(self, *arguments):
        self.process = subprocess.Popen(EMULATOR + [self.service_path, *arguments], env=self.env,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        return self.process

    def wait(self, timeout=30):
        """Waits for the started program to end; its exit code. The program
        writes nothing to its console: what it wrote is kept in console_output."""
        out, err = self.process.communicate(timeout=timeout)
        self.console_output = out + (b"" if ON_WINDOWS else err)
        self.console_errors = err
        return self.process.returncode

    def debug_output(self):
        """What the program wrote on the debug-output channel: its log on
        Linux; under Wine, started with WINEDEBUG=+debugstr in env, Wine's
        trace on its standard error (kept by wait)."""
        if ON_WINDOWS:
            return self.console_errors.decode("utf-8", "replace")
        with open(self.env["JOBHOST_DEBUG_LOG"], encoding="utf-8", errors="replace") as log:
            return log.read()

    def running(self):
        return self.process is not None and self.process.poll() is None

    def send(self, request=None, *options, timeout=10, reply_timeout=120):
        """Sends one request; (exit code of jobhostctl, reply text)."""
        command = [TOOL, "send", "--prefix", self.prefix, "--timeout", str(timeout),
                   "--reply-timeout", str(reply_timeout), *options]
        if request is not None:
            command.append(request)
        done = subprocess.run(EMULATOR + command, env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout + reply_timeout + 30)
        self.last_error = done.stderr.decode("utf-8", "replace")
        return done.returncode, done.stdout.decode("utf-8", "replace").rstrip("\n")

    def knock(self, hold=0.1):
        """A client that sends nothing, briefly: TIMED_OUT when it got in and
        was held, NO_CONNECTION when the service did not listen or was busy."""
        return self.send(None, "--silent", "--hold", str(hold), timeout=hold)[0]

    def tool(self, *arguments, check=True, timeout=60):
        done = subprocess.run(EMULATOR + [TOOL, *arguments], env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        if check and done.returncode != 0:
            raise AssertionError("jobhostctl %s: %d %s" % (" ".join(arguments), done.returncode,
                                                         done.stderr.decode(errors="replace")))
        return done

    def converters(self):
        """Process ids of this installation's converters that still run."""
        return program_pids(self.file("jobconvert.exe"))

    def stop_converters(self):
        """Ends every converter this installation started."""
        for pid in self.converters():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def close(self):
        if self.running():
            if ON_WINDOWS:
                self.process.terminate()  # the Wine runner passes it on to the program
            else:
                self.process.kill()
        if self.process is not None:
            self.process.communicate(timeout=30)
        self.stop_converters()


def program_pids(path):
    """Processes that run the program at path: natively, those whose
    executable is path; under Wine, whose command line starts with its
    Windows path (Wine's processes are Linux processes of its loader)."""
    pids = []
    wine_path = system_path(path).lower()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if ON_WINDOWS:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    # Compared as text: bytes.lower() leaves non-ASCII letters as they are.
                    command = f.read().split(b"\0")[0].decode("utf-8", "replace")
                    if command.lower() == wine_path:
                        pids.append(int(entry))
            elif os.readlink("/proc/%s/exe" % entry) == path:
                pids.append(int(entry))
        except OSError:
            pass
    return pids


def native_only(why):
    """Leaves a test out of the sanitizer run (JOBHOST_E2E_SANITIZED in its
    preset) when a sanitizer can find nothing in it that the other tests do
    not show it; the native and Windows runs keep it."""
    return unittest.skipIf(os.environ.get("JOBHOST_E2E_SANITIZED") == "1",
                           why + ": run by the native and Windows builds")


# Its time goes to waiting out a limit (a read limit, a hung server, a
# silent name server): the sanitizer run would only repeat the wait.
only_waits = native_only("only waits out a limit")


def wait_for(condition, timeout=10.0, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(interval)
    return condition()


class InstallationTest(unittest.TestCase):
    """A test with a fresh installation in a temporary folder."""

    siblings = SIBLINGS

    def setUp(self):
        if not BIN_DIR:
            self.skipTest("JOBHOST_BIN_DIR is not set")
        self.folder = tempfile.mkdtemp(prefix="jobhost-e2e-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.app = self.install()

    def install(self, prefix=None):
        """Another installation in the same folder, under a prefix of its own."""
        app = Installation(self.folder, self.siblings, prefix)
        self.addCleanup(app.close)
        return app

    def check_port(self, app, printer, reply, limit=10):
        """reply None: the check gets no reply and the service ends. limit: the
        request limits, well within which a port check is answered."""
        if not app.running():
            app.start()
        code, text = app.send("CheckPort/" + printer, reply_timeout=limit)
        if reply is None:
            self.assertEqual(code, NO_REPLY, printer)
            self.assertEqual(app.wait(), 0, printer)
        else:
            self.assertEqual((code, text), (REPLY, reply), printer)
