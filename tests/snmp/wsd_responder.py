#!/usr/bin/python3
"""A WS-Discovery printer for the tests (python3 stdlib only). Answers a Probe
for wprt:PrintDeviceType and a Resolve of its endpoint on UDP port 3702, sent
to the group (239.255.255.250, ff02::c) or to its address, and the WS-Transfer
Get of its metadata over HTTP. One --printer ADDRESS|MODE|NAME|MAKER|MODEL
each (a link-local ADDRESS with its zone, fe80::1%veth0). MODE: http (XAddr
http://ADDRESS:PORT/<uuid>), https (an https XAddr only), resolve (no XAddrs
until resolved), stall (the Get never ends), big (the Get's answer passes
64 KiB). Prints "ready" once listening, then one line per message taken.
"""

import argparse
import http.server
import re
import selectors
import signal
import socket
import struct
import sys
import threading
import uuid

GROUPS = {socket.AF_INET: "239.255.255.250", socket.AF_INET6: "ff02::c"}
SOAP = ('xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
        'xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
        'xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" '
        'xmlns:p="http://schemas.microsoft.com/windows/2006/08/wdp/print" '
        'xmlns:x="http://schemas.xmlsoap.org/ws/2004/09/mex" '
        'xmlns:dp="http://schemas.xmlsoap.org/ws/2006/02/devprof"')
PRINT_NAMESPACE = "http://schemas.microsoft.com/windows/2006/08/wdp/print"
stalled = threading.Event()


def envelope(action, relates_to, body):
    return (f'<?xml version="1.0" encoding="utf-8"?><s:Envelope {SOAP}><s:Header>'
            f'<a:Action>{action}</a:Action><a:MessageID>urn:uuid:{uuid.uuid4()}</a:MessageID>'
            f'<a:RelatesTo>{relates_to}</a:RelatesTo></s:Header><s:Body>{body}</s:Body>'
            '</s:Envelope>').encode()


def text_of(document, name):
    found = re.search(rf"<(?:\w+:)?{name}\b[^>]*>\s*([^<]*?)\s*</", document)
    return found.group(1) if found else None


class Printer:
    def __init__(self, spec, http_port):
        address, self.mode, self.name, self.maker, self.model = spec.split("|")
        host = address.split("%")[0]
        info = socket.getaddrinfo(address, 3702, type=socket.SOCK_DGRAM)[0]
        self.family, self.sockaddr = info[0], info[4]
        self.endpoint = f"urn:uuid:{uuid.uuid4()}"
        self.path = f"/{uuid.uuid4()}"
        literal = f"[{host}]" if self.family == socket.AF_INET6 else host
        self.xaddr = f"http://{literal}:{http_port}{self.path}"
        self.socket = socket.socket(self.family, socket.SOCK_DGRAM)
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.socket.bind(self.sockaddr)
        self.http = ThreadingServer((address.split("%")[0], http_port) + self.sockaddr[2:], self)

    def matches(self, kind, relates_to):
        if kind == "Probe" and self.mode == "resolve":
            xaddrs = ""
        elif self.mode == "https":
            xaddrs = self.xaddr.replace("http:", "https:")
        else:
            xaddrs = self.xaddr
        body = (f"<d:{kind}Matches><d:{kind}Match><a:EndpointReference><a:Address>{self.endpoint}"
                f"</a:Address></a:EndpointReference><d:Types>p:PrintDeviceType</d:Types>"
                + (f"<d:XAddrs>{xaddrs}</d:XAddrs>" if xaddrs else "")
                + f"<d:MetadataVersion>1</d:MetadataVersion></d:{kind}Match></d:{kind}Matches>")
        return envelope(f"http://schemas.xmlsoap.org/ws/2005/04/discovery/{kind}Matches",
                        relates_to, body)

    def metadata(self):
        device = f"<dp:ThisDevice><dp:FriendlyName>{self.name}</dp:FriendlyName></dp:ThisDevice>"
        model = (f"<dp:ThisModel><dp:Manufacturer>{self.maker}</dp:Manufacturer>"
                 f"<dp:ModelName>{self.model}</dp:ModelName></dp:ThisModel>")
        padding = "<!--" + "x" * 70000 + "-->" if self.mode == "big" else ""
        return envelope("http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse", "urn:uuid:0",
                        f"<x:Metadata><x:MetadataSection>{device if self.name else ''}{model}"
                        f"{padding}</x:MetadataSection></x:Metadata>")

    def answer(self, datagram, sender):
        """Answers a Probe for printers or a Resolve of this printer."""
        document = datagram.decode("utf-8", "replace")
        action = text_of(document, "Action") or ""
        if action.endswith("/discovery/Probe"):
            if "PrintDeviceType" not in (text_of(document, "Types") or "") or \
                    PRINT_NAMESPACE not in document:
                return
            kind = "Probe"
        elif action.endswith("/discovery/Resolve") and text_of(document, "Address") == self.endpoint:
            kind = "Resolve"
        else:
            return
        print(f"{kind.lower()} {self.sockaddr[0]} from {sender[0]}", flush=True)
        self.socket.sendto(self.matches(kind, text_of(document, "MessageID")), sender)


class GetHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        printer = self.server.printer
        request = self.rfile.read(int(self.headers.get("Content-Length", 0))).decode()
        print(f"get {printer.sockaddr[0]}", flush=True)
        if self.path != printer.path or text_of(request, "To") != printer.endpoint or \
                not (text_of(request, "Action") or "").endswith("/transfer/Get"):
            self.send_error(400)
            return
        if printer.mode == "stall":
            stalled.wait()
            return
        body = printer.metadata()
        self.send_response(200)
        self.send_header("Content-Type", "application/soap+xml")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class ThreadingServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, printer):
        self.address_family = printer.family
        self.printer = printer
        super().__init__(address, GetHandler)


def group_socket(family, printers):
    """Takes the group's Probes for every printer of the family."""
    sock = socket.socket(family, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("::" if family == socket.AF_INET6 else "", 3702))
    if family == socket.AF_INET:
        requests = [(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                     socket.inet_aton(GROUPS[family]) + socket.inet_aton(printer.sockaddr[0]))
                    for printer in printers]
    else:
        requests = [(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP,
                     socket.inet_pton(family, GROUPS[family]) + struct.pack("@I", index))
                    for index, _ in socket.if_nameindex()]
    for level, option, request in requests:
        try:
            sock.setsockopt(level, option, request)
        except OSError:
            pass  # joined there already, or an interface without multicast
    return sock


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--printer", action="append", default=[],
                        help="ADDRESS|MODE|NAME|MAKER|MODEL")
    parser.add_argument("--http-port", type=int, default=5357)
    options = parser.parse_args()
    printers = [Printer(spec, options.http_port) for spec in options.printer]
    selector = selectors.DefaultSelector()
    for printer in printers:
        selector.register(printer.socket, selectors.EVENT_READ, [printer])
        threading.Thread(target=printer.http.serve_forever, daemon=True).start()
    for family in {printer.family for printer in printers}:
        selector.register(group_socket(family, [p for p in printers if p.family == family]),
                          selectors.EVENT_READ, [p for p in printers if p.family == family])
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("ready", flush=True)
    while True:
        for key, _ in selector.select():
            datagram, sender = key.fileobj.recvfrom(65536)
            for printer in key.data:
                printer.answer(datagram, sender)


if __name__ == "__main__":
    sys.exit(main())
