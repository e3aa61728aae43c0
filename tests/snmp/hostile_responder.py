#!/usr/bin/env python3
"""Usage: hostile_responder.py ADDRESS...

A hostile host on the searcher's LAN, behind every ADDRESS (IPv4, already on
an interface of this network namespace; multicast DNS is joined on the
first):
  - SNMP, port 161: a GetRequest to the limited broadcast address is answered
    at once from every address, each agent without a sysName (an empty one);
  - multicast DNS, port 5353: every query (its id repeated, answered to the
    port it came from) gets
      - when it asks for PTR records, a flood naming 1024 _ipp._tcp instances,
        each with its SRV and A record, 32 instances a datagram; the first
        len(ADDRESS) instances are at the SNMP agents' addresses, the rest at
        10.79.200.0 and on;
      - then one well-formed answer of 60 KB of PTR records, each 17 bytes
        long, whose names are through compression 119 and 120 labels deep.
Prints "ready" once it serves; stops on SIGTERM.
"""
import selectors
import socket
import string
import struct
import sys

from burst_responder import Agents, serve_forever

MDNS_GROUP = "224.0.0.251"
FLOOD_INSTANCES = 1024
PER_DATAGRAM = 32
# The instances at SNMP agents' addresses (naming agents that have none); the
# rest are printers of their own.
NAMED_AGENTS = 100
LARGE_ANSWER_BYTES = 60 * 1024
PTR, SRV, A, IN, TTL = 12, 33, 1, 1, 120


def name(*labels):
    return b"".join(bytes([len(label)]) + label.encode() for label in labels) + b"\0"


def record(owner, kind, data):
    return owner + struct.pack(">HHIH", kind, IN, TTL, len(data)) + data


def response(query_id, records, questions=b"", question_count=0):
    header = struct.pack(">HHHHHH", query_id, 0x8400, question_count, len(records), 0, 0)
    return header + questions + b"".join(records)


def flood(query_id, addresses):
    """The datagrams naming FLOOD_INSTANCES instances, each with SRV and A."""
    service = name("_ipp", "_tcp", "local")
    datagrams, records = [], []
    for i in range(FLOOD_INSTANCES):
        instance = name("Flood %d" % i, "_ipp", "_tcp", "local")
        host = name("flood-%d" % i, "local")
        address = addresses[i] if i < NAMED_AGENTS else "10.79.%d.%d" % (200 + i // 250,
                                                                          1 + i % 250)
        records += [record(service, PTR, instance),
                    record(instance, SRV, struct.pack(">HHH", 0, 0, 631) + host),
                    record(host, A, socket.inet_aton(address))]
        if len(records) == 3 * PER_DATAGRAM:
            datagrams.append(response(query_id, records))
            records = []
    if records:
        datagrams.append(response(query_id, records))
    return datagrams


def large_answer(query_id):
    """One answer of LARGE_ANSWER_BYTES: the service type as a question at
    offset 12, then PTR records of 17 bytes each. Through compression each
    record's owner is one name of 119 labels (116 one-letter labels, then the
    service type) that the first record spells out, and it names an instance
    of 120 labels: a two-letter label, then that name."""
    question = name("_ipp", "_tcp", "local") + struct.pack(">HH", PTR, IN)
    to_question = b"\xc0\x0c"
    deep = b"\x01z" * 116 + to_question
    to_deep = struct.pack(">H", 0xC000 | (12 + len(question)))
    letters = string.ascii_letters + string.digits
    labels = [(a + b).encode() for a in letters for b in letters]
    records = [record(deep, PTR, b"\x02" + labels[0] + to_deep)]
    count = (LARGE_ANSWER_BYTES - 12 - len(question) - len(records[0])) // 17
    records += [record(to_deep, PTR, b"\x02" + label + to_deep) for label in labels[1:count + 1]]
    return response(query_id, records, question, 1)


def asks_for_pointers(query):
    """True when a question of the query is of type PTR."""
    count = struct.unpack_from(">H", query, 4)[0]
    at = 12
    for _ in range(count):
        while query[at] != 0:
            at += 1 + query[at]
        if struct.unpack_from(">H", query, at + 1)[0] == PTR:
            return True
        at += 5
    return False


class MulticastDns:
    def __init__(self, addresses):
        self.addresses = addresses
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 4 << 20)
        self.sock.bind(("0.0.0.0", 5353))
        membership = socket.inet_aton(MDNS_GROUP) + socket.inet_aton(addresses[0])
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, membership)

    def register(self, selector):
        selector.register(self.sock, selectors.EVENT_READ, self.serve)

    def serve(self, sock):
        query, sender = sock.recvfrom(65536)
        try:
            query_id, flags = struct.unpack_from(">HH", query)
            if flags & 0x8000:
                return  # an answer, not a query
            answers = flood(query_id, self.addresses) if asks_for_pointers(query) else []
        except (struct.error, IndexError):
            return
        for datagram in answers + [large_answer(query_id)]:
            sock.sendto(datagram, sender)


def main():
    addresses = sys.argv[1:]
    selector = selectors.DefaultSelector()
    Agents(161, addresses, lambda i: "").register(selector)
    MulticastDns(addresses).register(selector)
    serve_forever(selector)


if __name__ == "__main__":
    main()
