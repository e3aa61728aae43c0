#!/usr/bin/env python3
"""Times one call of a sibling library, loaded through ctypes (Linux).

  timed_call.py find LIBRARY TIMEOUT_MS [PARAMETER [TARGET]]
      FindSnmpAgent with the broadcast flag (TARGET "" by default, the
      limited broadcast). Prints "agents=N call_ms=T rss_growth_kb=G": the
      agents reported, the time of the call alone, and how far the process's
      resident memory rose above what it held before the call (its peak,
      reset through /proc/self/clear_refs).
  timed_call.py address LIBRARY URI
      GetIPAddressFromWsdPortByPrinterName for a queue of device URI URI on a
      private CUPS server (tests/e2e/cups_server.py). Prints
      "address=A call_ms=T", A empty when the call failed. Exits 77 without
      cupsd.
"""
import ctypes
import os
import sys
import time

FOUND = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_char_p, ctypes.c_char_p)


def memory_kb(field):
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    raise RuntimeError("no %s in /proc/self/status" % field)


def find(library, timeout_ms, parameter="", target=""):
    devprobe = ctypes.CDLL(library)
    call = devprobe.FindSnmpAgent
    call.argtypes = [ctypes.c_char_p, ctypes.c_int32, ctypes.c_char_p, ctypes.c_int32,
                     ctypes.c_char_p, ctypes.c_void_p, FOUND, ctypes.c_void_p]
    call.restype = ctypes.c_int32
    agents = []
    callback = FOUND(lambda address, name: agents.append(address) or 1)
    with open("/proc/self/clear_refs", "w") as refs:
        refs.write("5")  # the peak starts again from what the process holds now
    before = memory_kb("VmRSS")
    start = time.monotonic()
    call(b"public", 1, target.encode(), int(timeout_ms), parameter.encode(), None, callback, None)
    call_ms = round((time.monotonic() - start) * 1000)
    print("agents=%d call_ms=%d rss_growth_kb=%d" % (len(agents), call_ms,
                                                     memory_kb("VmHWM") - before))


def address(library, uri):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
    from cups_server import MISSING, CupsServer
    if MISSING:
        print("SKIPPED: " + MISSING)
        sys.exit(77)
    server = CupsServer()
    try:
        server.start()
        server.add_queue("Probed", uri)
        os.environ["CUPS_SERVER"] = server.socket
        portlink = ctypes.CDLL(library)
        call = portlink.GetIPAddressFromWsdPortByPrinterName
        call.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_void_p]
        call.restype = ctypes.c_int32
        text = ctypes.create_string_buffer(1024)
        start = time.monotonic()
        done = call("Probed".encode("utf-16-le") + b"\0\0", text, None)
        call_ms = round((time.monotonic() - start) * 1000)
        found = text.raw.decode("utf-16-le").split("\0")[0] if done else ""
        print("address=%s call_ms=%d" % (found, call_ms))
    finally:
        server.close()


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "find":
        find(*sys.argv[2:6])
    elif len(sys.argv) == 4 and sys.argv[1] == "address":
        address(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
