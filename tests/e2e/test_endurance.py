"""Many sequential requests leave the service's descriptors and threads as
they were: nothing leaks per connection. Speaks the pipe protocol directly
(Linux), so ten thousand requests take seconds."""

import os
import socket
import time
import unittest

from harness import NO_REPLY, ON_WINDOWS, InstallationTest, native_only, wait_for

REQUESTS = 10000


def exchange(name, request):
    """One connection: the request, then the reply. Retries while the
    service does not listen yet, and when the connection is reset: it was
    still queued when the service ended, so it was not served."""
    deadline = time.monotonic() + 10
    while True:
        client = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        try:
            client.connect("\0" + name)
            client.settimeout(10)
            client.send(request.encode("utf-16-le"))
            reply = client.recv(8192).decode("utf-16-le")
            client.close()
            return reply
        except (ConnectionRefusedError, ConnectionResetError, BrokenPipeError):
            client.close()
            if time.monotonic() > deadline:
                raise
            time.sleep(0.0005)


def resources(pid):
    descriptors = len(os.listdir("/proc/%d/fd" % pid))
    with open("/proc/%d/status" % pid) as f:
        threads = next(int(line.split()[1]) for line in f if line.startswith("Threads:"))
    return descriptors, threads


@unittest.skipIf(ON_WINDOWS, "counts descriptors through /proc")
class Endurance(InstallationTest):

    # Every path it takes runs in the other tests too, and what it counts
    # (descriptors, threads) the native run counts.
    @native_only("repeats two requests ten thousand times")
    def test_ten_thousand_requests_leak_nothing(self):
        self.app.write("portlink.table", "Plain\t1\n")
        app = self.app
        app.start()
        name = app.prefix + "xpsnamedpipe"
        self.assertEqual(exchange(name, "CheckPort/Plain"), "Port1/")
        # Counted while the service waits for its next client (its listening
        # socket open), not while it is still between two connections.
        time.sleep(0.5)
        before = resources(app.process.pid)
        for i in range(REQUESTS):
            request = "CheckPort/Plain" if i % 2 else "Duplex"
            reply = exchange(name, request)
            self.assertEqual(reply, "Port1/" if i % 2 else "RenderReady", i)
        wait_for(lambda: resources(app.process.pid) == before, timeout=5)
        self.assertEqual(resources(app.process.pid), before)
        self.assertEqual(app.send("Close")[0], NO_REPLY)
        self.assertEqual(app.wait(), 0)


if __name__ == "__main__":
    unittest.main()
