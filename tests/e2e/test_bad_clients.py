"""Clients that misbehave are dropped; the service goes on serving others."""

import errno
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

from harness import (BIN_DIR, EMULATOR, NO_CONNECTION, NO_REPLY, ON_WINDOWS, REPLY, SEND_FAILED,
                     TIMED_OUT, TOOL, Installation, InstallationTest, only_waits, system_path,
                     wait_for)

READ_LIMIT = 10.0

# Linux, as root, with setpriv: python runs as another account (nobody).
ANOTHER_ACCOUNT = not EMULATOR and os.geteuid() == 0 and shutil.which("setpriv")
AS_NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", sys.executable, "-c"]
# Under Wine, a rival for the name (tests/e2e/pipe_rival); below, each mode's Linux twin.
RIVAL = EMULATOR + [os.path.join(BIN_DIR, "pipe_rival.exe")]
TRY_TO_TAKE = """import os, socket, sys, time
name, folder = sys.argv[1:]
open(os.path.join(folder, "ready"), "w").close()
taken = tries = 0
while not os.path.exists(os.path.join(folder, "stop")):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
    try: s.bind("\\0" + name); taken += 1
    except OSError: pass
    s.close(); tries += 1; time.sleep(0.001)
print("taken %d of %d tries" % (taken, tries))
"""
# Connects, sends a request and reads, again and again for a few seconds;
# prints how often, and what the reads met.
FLOOD = """import socket, sys, time
end, met, connections = time.monotonic() + float(sys.argv[2]), set(), 0
while time.monotonic() < end:
    s = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET); s.connect("\\0" + sys.argv[1])
    try: s.send("Duplex".encode("utf-16-le")); met.add(repr(s.recv(100)))
    except OSError as error: met.add(str(error.errno))
    s.close(); connections += 1
print(connections, *met)
"""
HOLD = """import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET); s.bind("\\0" + sys.argv[1]); s.listen()
while True: print(repr(s.accept()[0].recv(100)), flush=True)
"""


class BadClients(InstallationTest):

    def setUp(self):
        super().setUp()
        self.app.start()
        # Under load the service may take a while to listen; a client that
        # finds no pipe yet would tell nothing about how clients are handled.
        self.assertTrue(wait_for(lambda: self.app.knock() == TIMED_OUT, timeout=30))

    def tearDown(self):
        # Whatever happened before, the service still answers and ends cleanly.
        self.assertEqual(self.app.send("Duplex"), (REPLY, "RenderReady"))
        self.assertEqual(self.app.send("Close")[0], NO_REPLY)
        self.assertEqual(self.app.wait(), 0)

    def test_malformed_messages_are_dropped(self):
        cases = [
            ("oversized", ["--bytes", "8194"], "Duplex"),
            ("far oversized", ["--bytes", "65536"], "Close"),
            ("empty", ["--bytes", "0"], None),
        ]
        for name, options, request in cases:
            with self.subTest(name):
                status, reply = self.app.send(request, *options)
                # A Windows pipe refuses the rest of a message once the
                # service has dropped it: the send itself fails there.
                self.assertIn(status, (NO_REPLY, SEND_FAILED), name)
                self.assertEqual(reply, "", name)
                self.assertTrue(self.app.running(), name)

    def test_the_largest_message_is_still_a_request(self):
        self.assertEqual(self.app.send("Duplex", "--bytes", "8192"), (REPLY, "RenderReady"))

    def test_a_client_that_vanishes_before_the_reply(self):
        status, _ = self.app.send("Duplex", "--vanish")
        self.assertEqual(status, REPLY)
        self.assertTrue(wait_for(lambda: "started" in self.app.read("flipguide.log")))
        self.assertTrue(self.app.running())

    @only_waits
    def test_a_silent_client_is_dropped_at_the_read_limit(self):
        started = time.monotonic()
        status, _ = self.app.send(None, "--silent", "--hold", "30")
        elapsed = time.monotonic() - started
        self.assertEqual(status, NO_REPLY, self.app.last_error)
        self.assertGreaterEqual(elapsed, READ_LIMIT - 1)
        self.assertLess(elapsed, READ_LIMIT + 10)

    @unittest.skipUnless(ANOTHER_ACCOUNT, "Linux, as root, with setpriv: a client of another account")
    def test_a_client_of_another_account_is_refused(self):
        # Abstract sockets have no permissions: the service checks the account.
        done = subprocess.run(AS_NOBODY + [FLOOD, self.app.prefix + "xpsnamedpipe", "3"],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=30)
        connections, *met = done.stdout.decode().split()
        self.assertGreater(int(connections), 100)
        # Closed unread: the end of the stream, or a reset or broken pipe.
        self.assertLessEqual(set(met), {"b''", str(errno.ECONNRESET), str(errno.EPIPE)})
        # That account's jobhostctl finds another account's service: it sends nothing.
        done = subprocess.run(AS_NOBODY[:-2] + [TOOL, "send", "--prefix", self.app.prefix,
                                                "--timeout", "3", "Duplex"],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
        self.assertEqual(done.returncode, SEND_FAILED)
        self.assertIn(b"the service refused this account (uid 65534)", done.stderr)
        # The flood costs one line, ended by a line feed.
        log = self.app.debug_output()
        lines = log.count("user 65534 refused")
        self.assertTrue(1 <= lines == log.count("only\n") <= 3, log[:500])
        self.assertNotIn("started", self.app.read("flipguide.log"))
        self.assertTrue(self.app.running())

    @unittest.skipUnless(EMULATOR or ANOTHER_ACCOUNT, "Wine, or Linux as root with setpriv")
    def test_nobody_takes_the_name_between_clients(self):
        # While a silent client holds the service and then one client sends
        # request after request, a rival tries every millisecond to take the name.
        folder = tempfile.mkdtemp(prefix="jobhost-rival-")
        self.addCleanup(shutil.rmtree, folder, True)
        os.chmod(folder, 0o777)  # the rival of another account writes and reads there
        name = self.app.prefix + "xpsnamedpipe"
        rival = subprocess.Popen(RIVAL + ["try", "\\\\.\\pipe\\" + name, system_path(folder)]
                                 if ON_WINDOWS else AS_NOBODY + [TRY_TO_TAKE, name, folder],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.addCleanup(rival.terminate)
        self.assertTrue(wait_for(lambda: os.path.exists(os.path.join(folder, "ready")), 30))
        self.app.write("portlink.table", "Plain\t1\n")
        self.assertEqual(self.app.knock(hold=1), TIMED_OUT)
        storm = self.app.tool("storm", "--prefix", self.app.prefix, "--clients", "1", "--requests",
                              "200" if ON_WINDOWS else "30", "--expect", "Port1/",
                              "CheckPort/Plain", check=False, timeout=300)
        open(os.path.join(folder, "stop"), "w").close()
        report = rival.communicate(timeout=30)[0].decode("utf-8", "replace")
        self.assertEqual(storm.returncode, 0, storm.stdout + storm.stderr)
        taken, tries = map(int, re.search(r"taken (\d+) of (\d+) tries", report).groups())
        self.assertEqual((taken, tries > 100), (0, True), report)

    def test_no_stale_request_acts_again(self):
        source = os.path.join(self.folder, "source")
        target = os.path.join(self.folder, "target")
        with open(source, "w") as f:
            f.write("overlay")
        request = "CreateOverlay/%s/%s" % (system_path(source), system_path(target))
        self.assertEqual(self.app.send(request), (REPLY, "RenderReady"))
        os.remove(target)
        self.assertEqual(self.app.send(None, "--bytes", "9000")[0], NO_REPLY)
        self.assertEqual(self.app.send(None, "--bytes", "0")[0], NO_REPLY)
        self.assertFalse(os.path.exists(target))

    def test_a_second_client_waits_while_one_is_served(self):
        # The first client holds the service for six seconds without sending;
        # the second is served afterwards: on Linux it waits in the queue, on
        # Windows it finds the pipe busy and retries.
        if ON_WINDOWS:
            holder = subprocess.Popen(EMULATOR + [TOOL, "send", "--prefix", self.app.prefix,
                                                  "--silent", "--hold", "6"],
                                      env=self.app.env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
            self.addCleanup(holder.wait)
            # The service listens (setUp), so a probe that cannot get in,
            # twice in a row, finds the holder in, not a service still starting.
            shut_out = lambda: (self.app.knock() == NO_CONNECTION and
                                self.app.knock() == NO_CONNECTION)
            self.assertTrue(wait_for(shut_out, timeout=30))
        else:  # connected, so first in the queue
            holder = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
            holder.connect("\0%sxpsnamedpipe" % self.app.prefix)
            threading.Timer(6, holder.close).start()
        started = time.monotonic()
        self.assertEqual(self.app.send("Duplex", timeout=20), (REPLY, "RenderReady"))
        self.assertGreaterEqual(time.monotonic() - started, 1.0)


class ANameHeldByAnother(InstallationTest):

    @unittest.skipUnless(EMULATOR or ANOTHER_ACCOUNT, "Wine, or Linux as root with setpriv")
    def test_is_never_served_behind(self):
        # The holder answers "held" under Wine; on Linux it is another
        # account's, and prints what each client sent it.
        name = self.app.prefix + "xpsnamedpipe"
        holder = subprocess.Popen(RIVAL + ["hold", "\\\\.\\pipe\\" + name] if ON_WINDOWS
                                  else AS_NOBODY + [HOLD, name], stdout=subprocess.PIPE)
        self.addCleanup(holder.communicate, timeout=30)
        self.addCleanup(holder.terminate)
        self.assertTrue(wait_for(lambda: self.app.knock() != NO_CONNECTION, timeout=30))
        self.app.env["WINEDEBUG"] = "+debugstr"
        started = time.monotonic()
        self.app.start()
        self.assertEqual(self.app.wait(), 0)
        self.assertLess(time.monotonic() - started, 30 if ON_WINDOWS else 2)
        self.assertIn("is taken", self.app.debug_output())
        if ON_WINDOWS:  # the requests reach the holder alone
            self.assertEqual(self.app.send("Duplex"), (REPLY, "held"))
        else:  # jobhostctl sends the holder nothing
            self.assertEqual(self.app.send("Duplex")[0], SEND_FAILED)
            self.assertIn("nothing sent: the pipe is served by uid 65534", self.app.last_error)
            holder.terminate()
            self.assertEqual(set(holder.communicate(timeout=30)[0].split()), {b"b''"})
        self.assertEqual(self.app.read("flipguide.log"), "")

    def test_a_second_copy_ends_and_leaves_every_request_to_the_first(self):
        # The copies tell the kind differently, so each reply says who served it.
        self.app.write("portlink.table", "Plain\t1\n")
        self.app.start()
        self.assertTrue(wait_for(lambda: self.app.knock() == TIMED_OUT, timeout=30))
        second = Installation(tempfile.mkdtemp(dir=self.folder), self.siblings, self.app.prefix)
        self.addCleanup(second.close)
        second.write("portlink.table", "Plain\t7\n")
        second.env["WINEDEBUG"] = "+debugstr"
        started = time.monotonic()
        second.start()
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertLess(time.monotonic() - started, 5)
        self.assertIn("is taken", second.debug_output())
        replies = [self.app.send("CheckPort/Plain") for _ in range(12)]
        self.assertEqual(replies, [(REPLY, "Port1/")] * 12)


if __name__ == "__main__":
    unittest.main()
