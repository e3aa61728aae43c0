#!/usr/bin/env python3
"""Usage: hostile_wsd.py KIND ADDRESS...

A hostile WS-Discovery host on the searcher's LAN, joined to
239.255.255.250:3702 on the first ADDRESS (of this namespace). Each Probe is
answered, its MessageID as RelatesTo, to the port it came from, by KIND:
  nul        a ProbeMatches with a NUL byte in its text, and one printer whose
             Get answer holds one
  flood      one datagram of 256 printers, all from the first ADDRESS
  bigref     300 printers, from the ADDRESSes in turn, each endpoint
             reference filling its datagram
  late       8 printers (ADDRESS 1-8) whose Get answers, 64 KiB with 9,000
             attributes on one element, all come 2,800 ms after the Probe,
             and 40 such datagrams from 2,700 ms on
  broadcast  a printer whose XAddr is the network's broadcast address, one at
             its network address, from ADDRESS 1 and 2
  noise      8 bytes that no encoding converts, from each ADDRESS
  unspecified  (IPv6 Probes) hand-made frames from :: naming [::1]:8631, and
             from ::ffff:127.0.0.1 with an XAddr no one can use
Gets go to port 5358 of the ADDRESSes. Prints "ready" once it serves; stops
on SIGTERM.
"""
import http.server
import itertools
import re
import select
import signal
import socket
import string
import struct
import sys
import threading
import time
import uuid

from wsd_responder import send_soap

HTTP_PORT = 5358
SOAP = ('xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
        'xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
        'xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" '
        'xmlns:p="http://schemas.microsoft.com/windows/2006/08/wdp/print" '
        'xmlns:dp="http://schemas.xmlsoap.org/ws/2006/02/devprof"')


def envelope(relates_to, body):
    return (f'<s:Envelope {SOAP}><s:Header><a:RelatesTo>{relates_to}</a:RelatesTo></s:Header>'
            f'<s:Body>{body}</s:Body></s:Envelope>').encode()


def match(endpoint, xaddr):
    return (f"<d:ProbeMatch><a:EndpointReference><a:Address>{endpoint}</a:Address>"
            f"</a:EndpointReference><d:Types>p:PrintDeviceType</d:Types><d:XAddrs>{xaddr}"
            "</d:XAddrs></d:ProbeMatch>")


def matches(relates_to, items):
    return envelope(relates_to, "<d:ProbeMatches>" + "".join(items) + "</d:ProbeMatches>")


def checksum(data):
    data += b"\0" * (len(data) % 2)
    total = sum(struct.unpack(f"!{len(data) // 2}H", data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF or 0xFFFF


def forged_ipv6(source, destination, port, payload):
    """An IPv6 UDP frame from any source address, as a raw socket sends it."""
    src, dst = socket.inet_pton(socket.AF_INET6, source), socket.inet_pton(socket.AF_INET6, destination)
    length = 8 + len(payload)
    pseudo = src + dst + struct.pack("!I3xB", length, socket.IPPROTO_UDP)
    udp = struct.pack("!HHHH", 3702, port, length, 0) + payload
    udp = udp[:6] + struct.pack("!H", checksum(pseudo + udp)) + udp[8:]
    return struct.pack("!IHBB", 6 << 28, length, socket.IPPROTO_UDP, 64) + src + dst + udp


def heavy_document(size=64 * 1024 - 64):
    """Well-formed, of about size bytes, nearly all of them attributes of one
    element (about 9,000 with the shortest names there are)."""
    letters = string.ascii_letters
    names = itertools.chain(letters, (a + b for a in letters for b in letters + string.digits),
                            (a + b + c for a in letters for b in letters for c in letters))
    head, tail = f"<s:Envelope {SOAP}><s:Body><dp:ThisDevice", "/></s:Body></s:Envelope>"
    attributes, used = [], len(head) + len(tail)
    for name in names:
        if used + len(name) + 4 > size:
            break
        attributes.append(f" {name}=''")
        used += len(name) + 4
    return (head + "".join(attributes) + tail).encode()


class Host:
    def __init__(self, kind, addresses):
        self.kind, self.addresses, self.probed = kind, addresses, {}
        self.sockets = {}
        for address in addresses:
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 8 << 20)
            sock.bind((address, 0))
            self.sockets[address] = sock

    def send(self, address, datagram, to):
        try:
            self.sockets[address].sendto(datagram, to)
        except OSError:
            pass

    def answer(self, relates_to, to):
        first, kind = self.addresses[0], self.kind
        xaddr = lambda host, path="p": f"http://{host}:{HTTP_PORT}/{path}"
        if kind == "nul":
            self.send(first, envelope(relates_to, "<d:ProbeMatches>\0</d:ProbeMatches>"), to)
            self.send(self.addresses[1], matches(relates_to, [match(
                "urn:uuid:nul-get", xaddr(self.addresses[1], "nul"))]), to)
        elif kind == "flood":
            self.send(first, matches(relates_to, [match(f"urn:uuid:flood-{i}", xaddr(first, i))
                                                  for i in range(256)]), to)
        elif kind == "bigref":
            for i in range(300):
                source = self.addresses[i % len(self.addresses)]
                endpoint = f"urn:uuid:{i:04d}-" + "r" * 60000
                self.send(source, matches(relates_to, [match(endpoint, xaddr(source))]), to)
                time.sleep(0.004)
        elif kind == "late":
            self.probed.setdefault(relates_to, time.monotonic())
            for i, source in enumerate(self.addresses[:8]):
                self.send(source, matches(relates_to, [match(f"urn:uuid:late-{i}",
                                                             xaddr(source, "late"))]), to)
            threading.Thread(target=self.late_datagrams, args=(to,), daemon=True).start()
        elif kind == "noise":
            for source in self.addresses:
                self.send(source, b"<\0\0\0s\0\0\0", to)
        elif kind == "unspecified":
            raw = socket.socket(socket.AF_INET6, socket.SOCK_RAW, socket.IPPROTO_RAW)
            for source, xaddr_text in (("::", "http://[::1]:8631/p"),
                                       ("::ffff:127.0.0.1", "http://printer.invalid:8631/p")):
                frame = forged_ipv6(source, to[0].split("%")[0], to[1], matches(
                    relates_to, [match(f"urn:uuid:{source}", xaddr_text)]))
                raw.sendto(frame, (to[0], 0, 0, to[3]))
            raw.close()
        elif kind == "broadcast":
            network, broadcast = "10.79.0.0", "10.79.255.255"
            self.send(first, matches(relates_to, [match("urn:uuid:bcast", xaddr(broadcast))]), to)
            self.send(self.addresses[1], matches(relates_to, [match("urn:uuid:net",
                                                                    xaddr(network))]), to)

    def late_datagrams(self, to):
        time.sleep(2.7)
        heavy = heavy_document()
        for i in range(40):
            self.send(self.addresses[i % len(self.addresses)], heavy, to)

    def get_answer(self, path):
        if path == "/nul":
            return envelope("urn:uuid:0", "<dp:ThisDevice><dp:FriendlyName>N\0L"
                            "</dp:FriendlyName></dp:ThisDevice>")
        if path == "/late":
            start = min(self.probed.values(), default=time.monotonic())
            time.sleep(max(0.0, start + 2.8 - time.monotonic()))
            return heavy_document()
        return envelope("urn:uuid:0", "<dp:ThisDevice><dp:FriendlyName>Hostile"
                        "</dp:FriendlyName></dp:ThisDevice>")


class GetHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        body = self.server.host.get_answer(self.path)
        send_soap(self, body)

    def log_message(self, *args):
        pass


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    host = Host(sys.argv[1], sys.argv[2:])
    server = http.server.ThreadingHTTPServer(("", HTTP_PORT), GetHandler)
    server.daemon_threads = True
    server.host = host
    threading.Thread(target=server.serve_forever, daemon=True).start()
    group = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    group.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    group.bind(("", 3702))
    group.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                     socket.inet_aton("239.255.255.250") + socket.inet_aton(host.addresses[0]))
    groups = [group]
    if host.kind == "unspecified":
        six = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
        six.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        six.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        six.bind(("::", 3702))
        for index, _ in socket.if_nameindex():
            try:
                six.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP,
                               socket.inet_pton(socket.AF_INET6, "ff02::c") + struct.pack("@I", index))
            except OSError:
                pass
        groups.append(six)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("ready", flush=True)
    while True:
        ready, _, _ = select.select(groups, [], [])
        datagram, sender = ready[0].recvfrom(65536)
        text = datagram.decode("utf-8", "replace")
        found = re.search(r"<(?:\w+:)?MessageID>([^<]*)</", text)
        if found and "/discovery/Probe<" in text:
            host.answer(found.group(1), sender)


if __name__ == "__main__":
    sys.exit(main())
