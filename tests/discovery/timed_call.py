#!/usr/bin/env python3
"""Times one call of a sibling library loaded through ctypes (Linux):

  timed_call.py find LIBRARY TIMEOUT_MS [PARAMETER]
      a broadcast FindSnmpAgent; prints "agents=N call_ms=T rss_growth_kb=G",
      G how far resident memory peaked above what it was before the call,
      then "agent ADDRESS NAME" for each agent reported
  timed_call.py address LIBRARY URI
      GetIPAddressFromWsdPortByPrinterName for a queue of that device URI on
      a private CUPS server; prints "address=A call_ms=T" (exit 77: no cupsd)
"""
import ctypes
import os
import sys
import time

FOUND = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_char_p, ctypes.c_char_p)


def memory_kb(field):
    with open("/proc/self/status") as status:
        return int(next(line for line in status if line.startswith(field + ":")).split()[1])


def timed(call, *arguments):
    start = time.monotonic()
    result = call(*arguments)
    return result, round((time.monotonic() - start) * 1000)


def find(library, timeout_ms, parameter=""):
    agents, call = [], ctypes.CDLL(library).FindSnmpAgent
    callback = FOUND(lambda address, name: agents.append((address, name)) or 1)
    with open("/proc/self/clear_refs", "w") as refs:
        refs.write("5")  # the peak starts again from what is resident now
    before = memory_kb("VmRSS")
    _, call_ms = timed(call, b"public", 1, b"", int(timeout_ms), parameter.encode(), None, callback,
                       None)
    print("agents=%d call_ms=%d rss_growth_kb=%d" % (len(agents), call_ms,
                                                     memory_kb("VmHWM") - before))
    for agent, name in agents:
        print("agent %s %s" % (agent.decode(), name.decode("utf-8", "replace")))


def address(library, uri):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
    from cups_server import MISSING, CupsServer
    if MISSING:
        sys.exit(77)
    server = CupsServer()
    try:
        server.start()
        server.add_queue("Probed", uri)
        os.environ["CUPS_SERVER"] = server.socket
        text = ctypes.create_string_buffer(1024)
        done, call_ms = timed(ctypes.CDLL(library).GetIPAddressFromWsdPortByPrinterName,
                              "Probed".encode("utf-16-le") + b"\0\0", text, None)
        found = text.raw.decode("utf-16-le").split("\0")[0] if done else ""
        print("address=%s call_ms=%d" % (found, call_ms))
    finally:
        server.close()


if __name__ == "__main__":
    if sys.argv[1:2] == ["find"] and 4 <= len(sys.argv) <= 5:
        find(*sys.argv[2:])
    elif sys.argv[1:2] == ["address"] and len(sys.argv) == 4:
        address(*sys.argv[2:])
    else:
        sys.exit(__doc__)
