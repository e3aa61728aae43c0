#pragma once
// Multicast DNS as the siblings ask it: one-shot questions from the asker's
// own port to the group on every interface (or to one host's port 5353), and
// what the answers said, address records checked against the link they came
// on.

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "dnssd/dns_message.h"
#include "network/network.h"

namespace jobhost::network {

inline constexpr std::uint16_t kMdnsPort = 5353;

// The group of the family (224.0.0.251, ff02::fb), port 5353, once on every
// interface that is up and does multicast.
std::vector<Endpoint> MdnsGroupOnInterfaces(Network& network, AddressFamily family);

// Service types, instances, hosts and addresses from the answers to one
// asker's queries.
class MdnsAnswers {
 public:
  // interfaces: the host's IPv4 interfaces, for the link rule of A records.
  explicit MdnsAnswers(std::vector<Ipv4Interface> interfaces);

  // Keeps what a datagram from port 5353 answers to the query `id`; false
  // when it is no such answer. An IPv4 address counts only on a network of
  // the interface whose network the answer came from (multicast DNS is
  // link-local: a host announced for another network is not trusted); a
  // link-local IPv6 address gets the scope the answer came with.
  bool Take(const Endpoint& from, std::span<const std::uint8_t> datagram, std::uint16_t id);

  // The instances a PTR record of `service` named, in the order they came.
  std::vector<DnsName> Instances(const DnsName& service) const;
  // The SRV record of an instance, if one came.
  const DnsSrvData* Service(const DnsName& instance) const;
  // The first address of the family that came for a host.
  std::optional<Endpoint> Address(const DnsName& host, AddressFamily family) const;

 private:
  bool OnAnsweringLink(const Endpoint& from, const Endpoint& address) const;
  void Keep(const DnsRecord& record, const Endpoint& from);

  std::vector<Ipv4Interface> interfaces_;
  std::vector<std::pair<DnsName, DnsName>> pointers_;  // service, instance
  std::vector<std::pair<DnsName, DnsSrvData>> services_;
  std::vector<std::pair<DnsName, Endpoint>> addresses_;
};

}  // namespace jobhost::network
