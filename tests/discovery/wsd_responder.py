#!/usr/bin/python3
"""WS-Discovery printers for the tests (python3 stdlib): answer a Probe for
wprt:PrintDeviceType and a Resolve on UDP 3702 (239.255.255.250, ff02::c, or
unicast) and the Get over HTTP. --printer ADDRESS|MODE|NAME|MAKER|MODEL, MODE:
http, https (XAddr https only), resolve (no XAddrs until resolved), stall (the
Get never ends), big (its answer passes 64 KiB), nul (a NUL byte in its
answer's text), nulget (one in its Get answer's). --delay-ms: each answer waits
that long. A sixth field,
FROM, is the address its discovery answers come from (else ADDRESS), as a
printer answers from its link-local address with an XAddr elsewhere.
Prints "ready" once listening."""

import argparse
import http.server
import re
import selectors
import signal
import socket
import struct
import sys
import threading
import time
import uuid

SOAP = ('xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
        'xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
        'xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" '
        'xmlns:p="http://schemas.microsoft.com/windows/2006/08/wdp/print" '
        'xmlns:x="http://schemas.xmlsoap.org/ws/2004/09/mex" '
        'xmlns:dp="http://schemas.xmlsoap.org/ws/2006/02/devprof"')


def envelope(action, relates_to, body):
    return (f'<?xml version="1.0" encoding="utf-8"?><s:Envelope {SOAP}><s:Header><a:Action>'
            f'{action}</a:Action><a:MessageID>urn:uuid:{uuid.uuid4()}</a:MessageID><a:RelatesTo>'
            f'{relates_to}</a:RelatesTo></s:Header><s:Body>{body}</s:Body></s:Envelope>').encode()


def text_of(document, name):
    found = re.search(rf"<(?:\w+:)?{name}\b[^>]*>\s*([^<]*?)\s*</", document)
    return found.group(1) if found else ""


class Printer:
    def __init__(self, described, http_port):
        address, self.mode, self.name, self.maker, self.model, *answer_from = described.split("|")
        self.family, _, _, _, self.sockaddr = socket.getaddrinfo(address, 3702,
                                                                 type=socket.SOCK_DGRAM)[0]
        http_sockaddr = self.sockaddr
        if answer_from:
            self.sockaddr = socket.getaddrinfo(answer_from[0], 3702, type=socket.SOCK_DGRAM)[0][4]
        self.endpoint, self.path = f"urn:uuid:{uuid.uuid4()}", f"/{uuid.uuid4()}"
        host = address.split("%")[0]
        literal = f"[{host}]" if self.family == socket.AF_INET6 else host
        self.xaddr = f"http{'s' if self.mode == 'https' else ''}://{literal}:{http_port}{self.path}"
        self.socket = socket.socket(self.family, socket.SOCK_DGRAM)
        self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.socket.bind(self.sockaddr)
        server = type("Server", (http.server.ThreadingHTTPServer,), {"address_family": self.family})
        self.http = server((host, http_port) + http_sockaddr[2:], GetHandler)
        self.http.printer = self

    def answer(self, datagram, sender):
        """Answers a Probe for printers, or a Resolve of this printer."""
        document = datagram.decode("utf-8", "replace")
        action = text_of(document, "Action")
        if action.endswith("/discovery/Probe") and "PrintDeviceType" in text_of(document, "Types"):
            kind = "Probe"
        elif action.endswith("/discovery/Resolve") and text_of(document, "Address") == self.endpoint:
            kind = "Resolve"
        else:
            return
        xaddrs = "" if kind == "Probe" and self.mode == "resolve" else \
            f"<d:XAddrs>{self.xaddr}</d:XAddrs>"
        nul = "\0" if self.mode == "nul" else ""
        body = (f"<d:{kind}Matches><d:{kind}Match><a:EndpointReference><a:Address>{self.endpoint}"
                f"</a:Address></a:EndpointReference><d:Types>p:PrintDeviceType{nul}</d:Types>"
                f"{xaddrs}</d:{kind}Match></d:{kind}Matches>")
        try:
            self.socket.sendto(envelope(f"http://schemas.xmlsoap.org/ws/2005/04/discovery/{kind}Matches",
                                        text_of(document, "MessageID"), body), sender)
        except OSError:
            pass  # a sender this printer's address cannot reach

    def metadata(self):
        nul = "\0" if self.mode == "nulget" else ""
        device = f"<dp:ThisDevice><dp:FriendlyName>{self.name}{nul}</dp:FriendlyName></dp:ThisDevice>"
        padding = "<!--" + "x" * 70000 + "-->" if self.mode == "big" else ""
        return envelope("http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse", "urn:uuid:0",
                        f"<x:Metadata><x:MetadataSection>{device if self.name else ''}"
                        f"<dp:ThisModel><dp:Manufacturer>{self.maker}</dp:Manufacturer><dp:ModelName>"
                        f"{self.model}</dp:ModelName></dp:ThisModel>{padding}</x:MetadataSection>"
                        "</x:Metadata>")


def send_soap(handler, body):
    """Answers an HTTP request with one SOAP document."""
    handler.send_response(200)
    handler.send_header("Content-Type", "application/soap+xml")
    handler.send_header("Content-Length", str(len(body)))
    handler.end_headers()
    handler.wfile.write(body)



class GetHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        printer = self.server.printer
        request = self.rfile.read(int(self.headers.get("Content-Length", 0))).decode()
        if self.path != printer.path or text_of(request, "To") != printer.endpoint or \
                not text_of(request, "Action").endswith("/transfer/Get"):
            self.send_error(400)
            return
        if printer.mode == "stall":
            threading.Event().wait()
        body = printer.metadata()
        send_soap(self, body)

    def log_message(self, *args):
        pass


def group_socket(family, printers):
    """Takes the group's Probes for every printer of the family."""
    sock = socket.socket(family, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if family == socket.AF_INET6:
        sock.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)  # IPv4 Probes are not its
    sock.bind(("::" if family == socket.AF_INET6 else "", 3702))
    if family == socket.AF_INET:
        joins = [(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, socket.inet_aton("239.255.255.250")
                  + socket.inet_aton(printer.sockaddr[0])) for printer in printers]
    else:
        joins = [(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP, socket.inet_pton(family, "ff02::c")
                  + struct.pack("@I", index)) for index, _ in socket.if_nameindex()]
    for level, option, request in joins:
        try:
            sock.setsockopt(level, option, request)
        except OSError:
            pass  # joined there already, or an interface without multicast
    return sock


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--printer", action="append", default=[], help="ADDRESS|MODE|NAME|MAKER|MODEL")
    parser.add_argument("--http-port", type=int, default=5357)
    parser.add_argument("--delay-ms", type=int, default=0)
    options = parser.parse_args()
    printers = [Printer(described, options.http_port) for described in options.printer]
    selector = selectors.DefaultSelector()
    for printer in printers:
        selector.register(printer.socket, selectors.EVENT_READ, [printer])
        threading.Thread(target=printer.http.serve_forever, daemon=True).start()
    for family in {printer.family for printer in printers}:
        mine = [printer for printer in printers if printer.family == family]
        selector.register(group_socket(family, mine), selectors.EVENT_READ, mine)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("ready", flush=True)
    while True:
        for key, _ in selector.select():
            datagram, sender = key.fileobj.recvfrom(65536)
            time.sleep(options.delay_ms / 1000)
            for printer in key.data:
                printer.answer(datagram, sender)


if __name__ == "__main__":
    sys.exit(main())
