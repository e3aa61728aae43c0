"""A private CUPS server for tests.

Every folder it uses (configuration, spool, cache, state, temporary files,
logs) lies in a temporary folder of its own, and it listens only on a unix
socket there, so the machine's own CUPS server is never touched. Clients find
it through CUPS_SERVER. It is stopped by its process id.
"""

import os
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import threading
import time
import uuid

CUPSD = shutil.which("cupsd") or ("/usr/sbin/cupsd" if os.path.exists("/usr/sbin/cupsd") else None)
LPADMIN = shutil.which("lpadmin") or (
    "/usr/sbin/lpadmin" if os.path.exists("/usr/sbin/lpadmin") else None)
MISSING = None if CUPSD and LPADMIN else "needs cupsd and lpadmin (Debian: cups-daemon, cups-client)"

CUPSD_CONF = """Listen {socket}
LogLevel warn
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
"""

CUPS_FILES_CONF = """ServerRoot {root}/etc
RequestRoot {root}/spool
CacheDir {root}/cache
StateDir {root}/state
TempDir {root}/tmp
ErrorLog {root}/log/error_log
AccessLog {root}/log/access_log
PageLog {root}/log/page_log
Sandboxing Relaxed
"""


class CupsServer:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="jobhost-cups-")
        self.socket = os.path.join(self.folder, "cups.sock")
        self.process = None
        for sub in ("etc", "spool", "cache", "state", "tmp", "log"):
            os.mkdir(os.path.join(self.folder, sub))
        self.conf = os.path.join(self.folder, "etc", "cupsd.conf")
        self.files_conf = os.path.join(self.folder, "etc", "cups-files.conf")
        with open(self.conf, "w") as f:
            f.write(CUPSD_CONF.format(socket=self.socket))
        with open(self.files_conf, "w") as f:
            f.write(CUPS_FILES_CONF.format(root=self.folder))
        self.env = dict(os.environ, CUPS_SERVER=self.socket)

    def start(self, timeout=20):
        self.process = subprocess.Popen([CUPSD, "-f", "-c", self.conf, "-s", self.files_conf],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise AssertionError("cupsd ended at once: %s" % self.log())
            if self.accepts():
                return
            time.sleep(0.05)
        raise AssertionError("cupsd did not listen on %s in %d s" % (self.socket, timeout))

    def accepts(self):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
            try:
                probe.connect(self.socket)
                return True
            except OSError:
                return False

    def add_queue(self, name, uri):
        done = subprocess.run([LPADMIN, "-p", name, "-E", "-v", uri, "-m",
                               "drv:///sample.drv/generic.ppd"], env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        if done.returncode != 0:
            raise AssertionError("lpadmin %s %s: %s" % (name, uri, done.stdout.decode(errors="replace")))

    def pause(self):
        os.kill(self.process.pid, signal.SIGSTOP)

    def resume(self):
        os.kill(self.process.pid, signal.SIGCONT)

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.resume()
            self.process.terminate()
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=20)

    def close(self):
        self.stop()
        shutil.rmtree(self.folder, True)

    def log(self):
        try:
            with open(os.path.join(self.folder, "log", "error_log"), errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""


class TricklingServer:
    """A CUPS server in name only, on a unix socket: it reads each request and
    answers that the queue prints to uri, validly but one byte every pace
    seconds; with pace None it never answers."""

    def __init__(self, folder, uri, pace):
        self.socket = os.path.join(folder, "cups-%s.sock" % uuid.uuid4().hex[:8])
        self.pace = pace
        attribute = lambda tag, name, value: (bytes([tag]) + struct.pack(">H", len(name)) + name +
                                              struct.pack(">H", len(value)) + value)
        body = (b"\x02\x00\x00\x00\x00\x00\x00\x01\x01" +
                attribute(0x47, b"attributes-charset", b"utf-8") +
                attribute(0x48, b"attributes-natural-language", b"en") +
                b"\x04" + attribute(0x45, b"device-uri", uri.encode()) + b"\x03")
        self.answer = (b"HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n"
                       b"Content-Length: %d\r\n\r\n" % len(body)) + body
        self.listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.listener.bind(self.socket)
        self.listener.listen(8)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.trickle, args=(client,), daemon=True).start()

    def trickle(self, client):
        with client:
            try:
                request = b""
                while b"\r\n\r\n" not in request:
                    request += client.recv(4096) or b"\r\n\r\n"
                if self.pace is None:
                    while client.recv(4096):
                        pass
                    return
                for byte in self.answer:
                    client.sendall(bytes([byte]))
                    time.sleep(self.pace)
            except OSError:
                pass

    def close(self):
        self.listener.shutdown(socket.SHUT_RDWR)
        self.listener.close()
