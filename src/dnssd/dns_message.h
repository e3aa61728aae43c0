#pragma once
// Multicast DNS messages as bytes: the one-shot questions a search sends and
// the answers it reads. No sockets here, so the discovery library and the
// port library share one decoder and the fuzzer reaches all of it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "dnssd/dns_name.h"

namespace jobhost::network {

enum class DnsType : std::uint16_t { kA = 1, kPtr = 12, kTxt = 16, kAaaa = 28, kSrv = 33 };

struct DnsQuestion {
  DnsName name;
  DnsType type;
};

// A one-shot query (sent from an ephemeral port, so responders answer that
// port directly); nullopt when a name could not be sent.
std::optional<std::vector<std::uint8_t>> EncodeDnsQuery(std::uint16_t id,
                                                        std::span<const DnsQuestion> questions);

struct DnsPtrData {
  DnsName target;
  bool operator==(const DnsPtrData&) const = default;
};

struct DnsSrvData {
  std::uint16_t priority = 0;
  std::uint16_t weight = 0;
  std::uint16_t port = 0;
  DnsName target;
  bool operator==(const DnsSrvData&) const = default;
};

using DnsIpv4Address = std::array<std::uint8_t, 4>;   // an A record
using DnsIpv6Address = std::array<std::uint8_t, 16>;  // an AAAA record

// The data says the record's type.
using DnsRecordData = std::variant<DnsPtrData, DnsSrvData, DnsIpv4Address, DnsIpv6Address>;

// A record of class IN (the cache-flush bit dropped) of one of the kept types.
struct DnsRecord {
  DnsName owner;
  std::uint32_t ttl = 0;
  DnsRecordData data;
  bool operator==(const DnsRecord&) const = default;
};

struct DnsMessage {
  std::uint16_t id = 0;
  // Answer, authority and additional records, in the message's order.
  std::vector<DnsRecord> records;
};

// A response's PTR, SRV, A and AAAA records of class IN; other records are
// passed over. nullopt for anything but a well-formed response: one bad
// byte in a datagram from the network and none of it is trusted.
std::optional<DnsMessage> DecodeDnsMessage(std::span<const std::uint8_t> message);

}  // namespace jobhost::network
