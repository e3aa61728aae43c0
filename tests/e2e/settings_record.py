"""The stored search-settings record, built and read byte for byte here so
the tests check the program's layout against an independent reading."""

import struct

SIZE = 6472
AGENTS = 304
ENTRY = 128
AGENT_COUNT = 296


def text_field(data, offset, size):
    field = data[offset:offset + size]
    end = field.find(b"\0")
    return field if end < 0 else field[:end]


def put_text(record, offset, size, text):
    assert len(text) < size
    record[offset:offset + size] = text + b"\0" * (size - len(text))


def make(single_host=0, broadcast_to_target=0, ipv4_target=b"", ipv6_target=b"",
         community=b"", use_ipv6=0, filler=b"\0"):
    """A record whose uninterpreted bytes (and agent list) repeat filler."""
    record = bytearray((filler * (SIZE // len(filler) + 1))[:SIZE])
    struct.pack_into("<i", record, 0, single_host)
    struct.pack_into("<i", record, 4, broadcast_to_target)
    put_text(record, 12, 25, ipv4_target)
    put_text(record, 37, 129, ipv6_target)
    put_text(record, 166, 129, community)
    struct.pack_into("<i", record, 4404, use_ipv6)
    return record


def put_agent(record, index, address, name):
    entry = AGENTS + ENTRY * index
    put_text(record, entry, 80, address)
    put_text(record, entry + 80, 48, name)


def agent_count(record):
    return struct.unpack_from("<i", record, AGENT_COUNT)[0]


def agents(record):
    return [(text_field(record, AGENTS + ENTRY * i, 80),
             text_field(record, AGENTS + ENTRY * i + 80, 48))
            for i in range(agent_count(record))]
