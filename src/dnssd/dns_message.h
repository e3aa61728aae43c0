#pragma once
// Multicast DNS messages as bytes: the one-shot questions a search sends and
// the answers it reads. No sockets here, so the discovery library and the
// port library share one decoder and the fuzzer reaches all of it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "dnssd/dns_name.h"

namespace jobhost::dnssd {

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

// Where a kept record lies in its message. A compressed name of two bytes
// can stand for 127 labels, so a large answer read whole would cost far more
// memory than its bytes: its names are read on demand instead.
struct DnsRecordPlace {
  DnsType type = DnsType::kA;
  std::uint32_t ttl = 0;
  std::uint16_t owner = 0;       // offset of the owner's name
  std::uint16_t data = 0;        // offset of the data
  std::uint16_t dataLength = 0;  // checked against the type
};

// A well-formed response, checked whole, whose kept records are read on
// demand. It refers to the message's bytes, which must outlive it.
class DnsResponse {
 public:
  // A response's PTR, SRV, A and AAAA records of class IN; other records are
  // passed over. nullopt for anything but a well-formed response: one bad
  // byte in a datagram from the network and none of it is trusted.
  static std::optional<DnsResponse> Read(std::span<const std::uint8_t> message);

  std::uint16_t id() const { return id_; }
  const std::vector<DnsRecordPlace>& records() const { return records_; }
  // The owner's name, and the name a PTR or SRV record's data ends in, packed
  // (PackDnsName) without a label list: with fold, a lookup key.
  std::string PackedOwner(const DnsRecordPlace& record, bool fold) const;
  std::string PackedTarget(const DnsRecordPlace& record, bool fold) const;
  DnsName Owner(const DnsRecordPlace& record) const;
  DnsRecordData Data(const DnsRecordPlace& record) const;

 private:
  DnsResponse(std::span<const std::uint8_t> message, std::uint16_t id)
      : message_(message), id_(id) {}

  std::span<const std::uint8_t> message_;
  std::uint16_t id_;
  std::vector<DnsRecordPlace> records_;
};

// Every kept record of a response, read whole (for tests and the fuzzer).
std::optional<DnsMessage> DecodeDnsMessage(std::span<const std::uint8_t> message);

}  // namespace jobhost::dnssd
