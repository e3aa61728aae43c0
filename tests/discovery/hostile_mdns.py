#!/usr/bin/env python3
"""Usage: hostile_mdns.py ADDRESS...

A hostile multicast DNS responder on the searcher's LAN, joined on the first
ADDRESS (of this namespace). Every query, its id repeated, is answered to the
port it came from:
  - one asking for PTR records gets a flood naming 1024 _ipp._tcp instances,
    each with its SRV and A record, 32 instances a datagram, the first at the
    ADDRESSes (naming agents there), the rest at 10.79.200.1 and on;
  - each then gets, three times over, one well-formed answer of 60 KB of PTR
    records, 17 bytes each, whose names are 119 and 120 labels deep through
    compression.
Prints "ready" once it serves; stops on SIGTERM.
"""
import itertools
import signal
import socket
import string
import struct
import sys

PTR, SRV, A = 12, 33, 1


def name(*labels):
    return b"".join(bytes([len(label)]) + label.encode() for label in labels) + b"\0"


def record(owner, kind, data):
    return owner + struct.pack(">HHIH", kind, 1, 120, len(data)) + data


def response(query_id, records, question=b""):
    header = struct.pack(">HHHHHH", query_id, 0x8400, 1 if question else 0, len(records), 0, 0)
    return header + question + b"".join(records)


def flood(query_id, named):
    service, records = name("_ipp", "_tcp", "local"), []
    for i in range(1024):
        instance = name("Flood %d" % i, "_ipp", "_tcp", "local")
        host = name("flood-%d" % i, "local")
        address = named[i] if i < len(named) else "10.79.%d.%d" % (200 + i // 250, 1 + i % 250)
        records += [record(service, PTR, instance),
                    record(instance, SRV, struct.pack(">HHH", 0, 0, 631) + host),
                    record(host, A, socket.inet_aton(address))]
    return [response(query_id, records[i:i + 96]) for i in range(0, len(records), 96)]


def large_answer(query_id, size=60 * 1024):
    """The service type as the question at offset 12; the first record's owner
    spells out 116 one-letter labels and a pointer to it, every other name
    points there."""
    question = name("_ipp", "_tcp", "local") + struct.pack(">HH", PTR, 1)
    deep, to_deep = b"\x01z" * 116 + b"\xc0\x0c", struct.pack(">H", 0xC000 | 12 + len(question))
    letters = string.ascii_letters + string.digits
    labels = ("".join(pair).encode() for pair in itertools.product(letters, repeat=2))
    records = [record(deep, PTR, b"\x02" + next(labels) + to_deep)]
    for _ in range((size - 12 - len(question) - len(records[0])) // 17):
        records.append(record(to_deep, PTR, b"\x02" + next(labels) + to_deep))
    return response(query_id, records, question)


def main():
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("0.0.0.0", 5353))
    group = socket.inet_aton("224.0.0.251") + socket.inet_aton(sys.argv[1])
    sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, group)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("ready", flush=True)
    while True:
        query, sender = sock.recvfrom(65536)
        query_id, flags, questions = struct.unpack_from(">HHH", query)
        if flags & 0x8000 or not questions:
            continue  # an answer, not a query
        # Our searchers ask for PTRs alone, in uncompressed questions.
        asks_pointers = query[query.index(b"\0", 12) + 2] == PTR
        answers = flood(query_id, sys.argv[1:]) if asks_pointers else []
        for datagram in answers + [large_answer(query_id)] * 3:
            sock.sendto(datagram, sender)


if __name__ == "__main__":
    main()
