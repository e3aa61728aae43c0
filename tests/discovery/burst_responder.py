#!/usr/bin/env python3
"""Usage: burst_responder.py PORT [--nameless] ADDRESS...

One SNMP responder standing in for one agent per ADDRESS (IPv4, already on
an interface of this network namespace). A GetRequest (SNMPv1 or v2c) that
arrives at the limited broadcast address is answered at once from every
address, so the searcher receives a burst of len(ADDRESS) answers; a request
sent to one of the addresses is answered from that address. Like net-snmp's
agent, requests to a directed broadcast address are not answered. Each
agent's sysName is "burst-N", N its position from 1 (--nameless: empty).
Prints "ready" once it serves; stops on SIGTERM.
"""
import selectors
import signal
import socket
import sys

# Linux's value; older Pythons do not name it.
IP_PKTINFO = getattr(socket, "IP_PKTINFO", 8)
SYS_NAME_OID = bytes([0x06, 0x08, 0x2B, 6, 1, 2, 1, 1, 5, 0])


def element(data, at):
    """(tag, start, end) of the BER element at data[at]."""
    tag, length = data[at], data[at + 1]
    at += 2
    if length & 0x80:
        count = length & 0x7F
        length = int.from_bytes(data[at:at + count], "big")
        at += count
    if at + length > len(data):
        raise ValueError("cut")
    return tag, at, at + length


def encode(tag, content):
    if len(content) < 0x80:
        return bytes([tag, len(content)]) + content
    size = len(content).to_bytes(2, "big")
    return bytes([tag, 0x82]) + size + content


def answer(request, name):
    """The GetResponse to a v1/v2c GetRequest, or None."""
    tag, start, _ = element(request, 0)
    if tag != 0x30:
        return None
    _, v_start, v_end = element(request, start)
    _, c_start, c_end = element(request, v_end)
    pdu_tag, p_start, _ = element(request, c_end)
    if pdu_tag != 0xA0 or request[v_start:v_end] not in (b"\x00", b"\x01"):
        return None
    _, _, id_end = element(request, p_start)
    binding = encode(0x30, SYS_NAME_OID + encode(0x04, name.encode()))
    pdu = encode(0xA2, request[p_start:id_end] + b"\x02\x01\x00\x02\x01\x00" +
                 encode(0x30, binding))
    return encode(0x30, request[start:c_end] + pdu)


def main():
    port = int(sys.argv[1])
    nameless = sys.argv[2:3] == ["--nameless"]
    addresses = sys.argv[2 + nameless:]
    wildcard = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    wildcard.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    wildcard.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
    wildcard.bind(("0.0.0.0", port))
    agents = []
    for address in addresses:
        agent = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        agent.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        agent.bind((address, port))
        agents.append(agent)
    names = {agent: "" if nameless else "burst-%d" % (i + 1) for i, agent in enumerate(agents)}

    selector = selectors.DefaultSelector()
    for sock in [wildcard] + agents:
        selector.register(sock, selectors.EVENT_READ)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("ready", flush=True)
    while True:
        for key, _ in selector.select():
            sock = key.fileobj
            if sock is wildcard:
                data, ancillary, _, sender = sock.recvmsg(4096, socket.CMSG_SPACE(12))
                destination = next((socket.inet_ntoa(d[8:12]) for level, kind, d in ancillary
                                    if level == socket.IPPROTO_IP and
                                    kind == IP_PKTINFO), "")
                if destination != "255.255.255.255":
                    continue
                repliers = agents
            else:
                data, sender = sock.recvfrom(4096)
                repliers = [sock]
            for agent in repliers:
                try:
                    reply = answer(data, names[agent])
                except (ValueError, IndexError):
                    reply = None
                if reply:
                    agent.sendto(reply, sender)


if __name__ == "__main__":
    main()
