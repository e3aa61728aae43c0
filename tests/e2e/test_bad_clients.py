"""Clients that misbehave are dropped; the service goes on serving others."""

import errno
import os
import shutil
import subprocess
import sys
import time
import unittest

from harness import (EMULATOR, NO_CONNECTION, NO_REPLY, REPLY, SEND_FAILED, TIMED_OUT, TOOL,
                     InstallationTest, system_path, wait_for)

READ_LIMIT = 10.0


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

    def test_a_silent_client_is_dropped_at_the_read_limit(self):
        started = time.monotonic()
        status, _ = self.app.send(None, "--silent", "--hold", "30")
        elapsed = time.monotonic() - started
        self.assertEqual(status, NO_REPLY, self.app.last_error)
        self.assertGreaterEqual(elapsed, READ_LIMIT - 1)
        self.assertLess(elapsed, READ_LIMIT + 10)

    @unittest.skipUnless(not EMULATOR and os.geteuid() == 0 and shutil.which("setpriv"),
                         "Linux, as root, with setpriv: a client of another account")
    def test_a_client_of_another_account_is_refused(self):
        # Abstract sockets have no permissions: the service checks the account.
        client = ("import socket, sys\n"
                  "s = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)\n"
                  "s.connect('\\0%sxpsnamedpipe')\n"
                  "try:\n    s.send('Duplex'.encode('utf-16-le'))\n"
                  "    print(repr(s.recv(100)))\n"
                  "except OSError as error:\n    print(error.errno)\n" % self.app.prefix)
        done = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                               sys.executable, "-c", client], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=30)
        # Closed unread: the end of the stream, or a reset or broken pipe.
        self.assertIn(done.stdout.decode().strip(),
                      ("b''", str(errno.ECONNRESET), str(errno.EPIPE)))
        with open(self.app.env["JOBHOST_DEBUG_LOG"]) as log:
            self.assertIn("client of user 65534 refused", log.read())
        self.assertNotIn("started", self.app.read("flipguide.log"))
        self.assertTrue(self.app.running())

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
        # The first client holds the only instance for six seconds without
        # sending; the second one keeps retrying and is served afterwards.
        holder = subprocess.Popen(EMULATOR + [TOOL, "send", "--prefix", self.app.prefix,
                                              "--silent", "--hold", "6"],
                                  env=self.app.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        self.addCleanup(holder.wait)
        # The service listens (setUp), so a probe that cannot get in, twice
        # in a row, finds the holder in, not a service still starting.
        shut_out = lambda: self.app.knock() == NO_CONNECTION and self.app.knock() == NO_CONNECTION
        self.assertTrue(wait_for(shut_out, timeout=30))
        started = time.monotonic()
        self.assertEqual(self.app.send("Duplex", timeout=20), (REPLY, "RenderReady"))
        self.assertGreaterEqual(time.monotonic() - started, 1.0)
        holder.wait(timeout=30)


if __name__ == "__main__":
    unittest.main()
