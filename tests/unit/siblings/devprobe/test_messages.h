#pragma once
// Agent answers built field by field, as the agents on the network send them.

#include <initializer_list>
#include <string_view>
#include <vector>

#include "ber.h"

namespace jobhost::devprobe::testing_messages {

inline void AppendDnsName(Bytes& out, const std::vector<std::string_view>& labels) {
  for (std::string_view label : labels) {
    out.push_back(static_cast<std::uint8_t>(label.size()));
    out.insert(out.end(), label.begin(), label.end());
  }
  out.push_back(0);
}

// A resource record of class IN, ttl 120.
struct DnsTestRecord {
  std::vector<std::string_view> owner;
  int type;
  Bytes data;
};

// A multicast DNS answer to the query `id` holding the records (no
// compression).
inline Bytes DnsResponseOf(std::uint16_t id, const std::vector<DnsTestRecord>& records) {
  Bytes out(12, 0);
  out[0] = static_cast<std::uint8_t>(id >> 8);
  out[1] = static_cast<std::uint8_t>(id);
  out[2] = 0x84;  // an authoritative response
  out[6] = static_cast<std::uint8_t>(records.size() >> 8);
  out[7] = static_cast<std::uint8_t>(records.size());
  for (const DnsTestRecord& record : records) {
    AppendDnsName(out, record.owner);
    out.insert(out.end(), {0, static_cast<std::uint8_t>(record.type), 0, 1, 0, 0, 0, 120, 0,
                           static_cast<std::uint8_t>(record.data.size())});
    out.insert(out.end(), record.data.begin(), record.data.end());
  }
  return out;
}

// The PTR of an _ipp._tcp instance.
inline DnsTestRecord IppPointer(std::string_view instance) {
  Bytes target;
  AppendDnsName(target, {instance, "_ipp", "_tcp", "local"});
  return {{"_ipp", "_tcp", "local"}, 12, target};
}

// A multicast DNS answer to the query `id`: the PTR of an _ipp._tcp instance,
// its SRV naming the host when host is given, and the host's A record when
// address is given.
inline Bytes DnsSdAnswer(std::uint16_t id, std::string_view instance, std::string_view host = {},
                         Bytes address = {}) {
  std::vector<DnsTestRecord> records = {IppPointer(instance)};
  Bytes srv = {0, 0, 0, 0, 0x02, 0x77};
  AppendDnsName(srv, {host, "local"});
  if (!host.empty()) records.push_back({{instance, "_ipp", "_tcp", "local"}, 33, srv});
  if (!address.empty()) records.push_back({{host, "local"}, address.size() == 4 ? 1 : 28, address});
  return DnsResponseOf(id, records);
}

inline Bytes Of(std::initializer_list<int> values) {
  Bytes bytes;
  for (int value : values) bytes.push_back(static_cast<std::uint8_t>(value));
  return bytes;
}

inline Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes Sequence(std::initializer_list<ByteView> parts) {
  return EncodeElement(ber::kSequence, Join(parts));
}

// A GetResponse as an agent sends it, with the given binding value, and a
// second binding for hrDeviceType.1 when its value is given.
inline Bytes SysNameAnswer(std::int64_t version, std::int32_t requestId, ByteView value,
                           std::int64_t errorStatus = 0, ByteView deviceType = {}) {
  Bytes bindings = Sequence({EncodeObjectId({1, 3, 6, 1, 2, 1, 1, 5, 0}), value});
  if (!deviceType.empty()) {
    const Bytes type =
        Sequence({EncodeObjectId({1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2, 1}), deviceType});
    bindings.insert(bindings.end(), type.begin(), type.end());
  }
  const Bytes pdu = EncodeElement(0xA2, Join({EncodeInteger(requestId), EncodeInteger(errorStatus),
                                              EncodeInteger(0), Sequence({bindings})}));
  return Sequence({EncodeInteger(version), EncodeOctetString("public"), pdu});
}

// An engine-discovery Report in the shape net-snmp's agent sends.
inline Bytes EngineAnswer(std::int32_t messageId, ByteView engineId, int pduTag = 0xA8) {
  const Bytes flags = Of({0x00});
  const Bytes global = Sequence(
      {EncodeInteger(messageId), EncodeInteger(65507), EncodeOctetString(flags), EncodeInteger(3)});
  const Bytes security =
      Sequence({EncodeOctetString(engineId), EncodeInteger(7), EncodeInteger(1234),
                EncodeOctetString(""), EncodeOctetString(""), EncodeOctetString("")});
  const Bytes counter = EncodeElement(0x41, Of({0x05}));
  const Bytes report = EncodeElement(
      pduTag,
      Join({EncodeInteger(99), EncodeInteger(0), EncodeInteger(0),
            Sequence({Sequence({EncodeObjectId({1, 3, 6, 1, 6, 3, 15, 1, 1, 4, 0}), counter})})}));
  const Bytes scoped = Sequence({EncodeOctetString(engineId), EncodeOctetString(""), report});
  return Sequence({EncodeInteger(3), global, EncodeOctetString(security), scoped});
}

// An engine identifier in the text format, naming "engine-7".
inline const Bytes kTextEngine = Join({Of({0x80, 0x00, 0x1F, 0x88, 0x04}), Text("engine-7")});

}  // namespace jobhost::devprobe::testing_messages
