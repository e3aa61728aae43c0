#pragma once
// Multicast DNS as the siblings ask it: one-shot questions from the asker's
// own port to the group on every interface (or to one host's port 5353), and
// what the answers said, address records checked against the link they came
// on.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "dnssd/dns_message.h"
#include "network/network.h"

namespace jobhost::dnssd {

// The socket seam's names, as DNS-SD uses them.
using network::AddressFamily;
using network::DatagramChannel;
using network::Endpoint;
using network::Ipv4Endpoint;
using network::Ipv4Interface;
using network::Network;
using network::ReceiveStatus;

inline constexpr std::uint16_t kMdnsPort = 5353;
// Whatever the answers hold, an asker keeps at most this many records.
inline constexpr std::size_t kMaxKeptDnsRecords = 1024;

// The group of the family (224.0.0.251, ff02::fb), port 5353, once on every
// interface that is up and does multicast.
std::vector<Endpoint> MdnsGroupOnInterfaces(Network& network, AddressFamily family);

// What a name is to the asker, which says which records of it are kept.
enum class MdnsRole {
  kServiceType,  // its PTR records, naming instances
  kInstance,     // its SRV record, naming a host
  kHost,         // its A and AAAA records
};

// Service types, instances, hosts and addresses from the answers to one
// asker's queries. Only records of names the asker asked about (Expect) or
// was told of (a kept PTR's instance, a kept SRV's host) are kept, at most
// kMaxKeptDnsRecords in all, each found by its name in an index.
class MdnsAnswers {
 public:
  // interfaces: the host's IPv4 interfaces, for the link rule of A records.
  explicit MdnsAnswers(std::vector<Ipv4Interface> interfaces);

  // A name the asker asks about.
  void Expect(const DnsName& name, MdnsRole role);

  // Keeps what a datagram from port 5353 answers to the query `id`; false
  // when it is no such answer. An IPv4 address counts only on a network of
  // the interface whose network the answer came from (multicast DNS is
  // link-local: a host announced for another network is not trusted); a
  // link-local IPv6 address gets the scope the answer came with. `told`, if
  // given, receives each instance whose PTR or SRV record this datagram
  // added.
  bool Take(const Endpoint& from, std::span<const std::uint8_t> datagram, std::uint16_t id,
            std::vector<DnsName>* told = nullptr);

  // The instances a PTR record of `service` named, in the order they came.
  std::vector<DnsName> Instances(const DnsName& service) const;
  // The SRV record of an instance, if one came.
  std::optional<DnsSrvData> Service(const DnsName& instance) const;
  // The first address of the family that came for a host.
  std::optional<Endpoint> Address(const DnsName& host, AddressFamily family) const;
  // The responder whose answer first named an instance.
  std::optional<Endpoint> NamedBy(const DnsName& instance) const;

 private:
  struct Name {
    std::string packed;  // as it first came, letter case kept (PackDnsName)
    bool serviceType = false;
    bool instance = false;
    bool host = false;
    std::vector<const Name*> instances;   // of a service type, in order
    std::vector<const Name*> namedUnder;  // the service types that named an instance
    std::optional<Endpoint> namedBy;      // of an instance
    const Name* target = nullptr;         // of an instance whose SRV record came
    std::uint16_t priority = 0;
    std::uint16_t weight = 0;
    std::uint16_t port = 0;
    std::optional<Endpoint> ipv4;  // of a host: the first of each family
    std::optional<Endpoint> ipv6;
  };

  Name* Find(const std::string& key);
  const Name* Find(const DnsName& name) const;
  // The name of key, made (as packed) when it is new.
  Name* Told(const std::string& key, std::string packed);
  void KeepPointer(const DnsResponse& response, const DnsRecordPlace& record, const Endpoint& from,
                   std::vector<DnsName>* told);
  void KeepService(const DnsResponse& response, const DnsRecordPlace& record,
                   std::vector<DnsName>* told);
  void KeepAddress(const DnsResponse& response, const DnsRecordPlace& record, const Endpoint& from);

  std::vector<Ipv4Interface> interfaces_;
  // By DnsNameKey; nodes stay put, so names point at each other.
  std::unordered_map<std::string, Name> names_;
  std::size_t kept_ = 0;
};

}  // namespace jobhost::dnssd
