#include "dnssd/mdns_answers.h"

#include <algorithm>

namespace jobhost::network {
namespace {

// Bounds what a flood of answers can make an asker keep.
constexpr std::size_t kMaxKeptPerKind = 1024;

bool IsIpv6LinkLocal(const Endpoint& address) {
  return address.family == AddressFamily::kIpv6 && address.address[0] == 0xFE &&
         (address.address[1] & 0xC0) == 0x80;
}

template <typename Value>
void AddOnce(std::vector<std::pair<DnsName, Value>>& kept, const DnsName& name,
             const Value& value) {
  const bool known = std::ranges::any_of(kept, [&](const auto& entry) {
    return SameDnsName(entry.first, name) && entry.second == value;
  });
  if (!known && kept.size() < kMaxKeptPerKind) kept.emplace_back(name, value);
}

}  // namespace

std::vector<Endpoint> MdnsGroupOnInterfaces(Network& network, AddressFamily family) {
  std::vector<std::uint32_t> indexes;
  Endpoint group;
  group.family = family;
  group.port = kMdnsPort;
  if (family == AddressFamily::kIpv6) {
    group.address = {0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFB};
    indexes = network.Ipv6MulticastInterfaces();
  } else {
    group = Ipv4Endpoint(224, 0, 0, 251, kMdnsPort);
    for (const Ipv4Interface& found : network.Ipv4Interfaces()) {
      if (found.multicast && std::ranges::find(indexes, found.index) == indexes.end()) {
        indexes.push_back(found.index);
      }
    }
  }
  std::vector<Endpoint> destinations;
  for (std::uint32_t index : indexes) {
    destinations.push_back(group);
    destinations.back().scopeId = index;
  }
  return destinations;
}

MdnsAnswers::MdnsAnswers(std::vector<Ipv4Interface> interfaces)
    : interfaces_(std::move(interfaces)) {}

bool MdnsAnswers::Take(const Endpoint& from, std::span<const std::uint8_t> datagram,
                       std::uint16_t id) {
  if (from.port != kMdnsPort) return false;
  const std::optional<DnsMessage> message = DecodeDnsMessage(datagram);
  // A one-shot query's answer repeats its id; anything else was not asked.
  if (!message || message->id != id) return false;
  for (const DnsRecord& record : message->records) Keep(record, from);
  return true;
}

bool MdnsAnswers::OnAnsweringLink(const Endpoint& from, const Endpoint& address) const {
  return std::ranges::any_of(interfaces_, [&](const Ipv4Interface& link) {
    return link.OnNetwork(from) &&
           std::ranges::any_of(interfaces_, [&](const Ipv4Interface& other) {
             return other.index == link.index && other.OnNetwork(address);
           });
  });
}

void MdnsAnswers::Keep(const DnsRecord& record, const Endpoint& from) {
  // A time to live of 0 says the record is gone.
  if (record.ttl == 0) return;
  if (const auto* pointer = std::get_if<DnsPtrData>(&record.data)) {
    AddOnce(pointers_, record.owner, pointer->target);
  } else if (const auto* service = std::get_if<DnsSrvData>(&record.data)) {
    AddOnce(services_, record.owner, *service);
  } else if (const auto* ipv4 = std::get_if<DnsIpv4Address>(&record.data)) {
    const Endpoint address = Ipv4Endpoint((*ipv4)[0], (*ipv4)[1], (*ipv4)[2], (*ipv4)[3], 0);
    if (OnAnsweringLink(from, address)) AddOnce(addresses_, record.owner, address);
  } else if (const auto* ipv6 = std::get_if<DnsIpv6Address>(&record.data)) {
    Endpoint address;
    address.family = AddressFamily::kIpv6;
    std::ranges::copy(*ipv6, address.address.begin());
    if (IsIpv6LinkLocal(address)) {
      // Without the scope of its link, a link-local address leads nowhere.
      if (from.family != AddressFamily::kIpv6 || from.scopeId == 0) return;
      address.scopeId = from.scopeId;
    }
    AddOnce(addresses_, record.owner, address);
  }
}

std::vector<DnsName> MdnsAnswers::Instances(const DnsName& service) const {
  std::vector<DnsName> instances;
  for (const auto& [owner, instance] : pointers_) {
    if (SameDnsName(owner, service)) instances.push_back(instance);
  }
  return instances;
}

const DnsSrvData* MdnsAnswers::Service(const DnsName& instance) const {
  for (const auto& [owner, service] : services_) {
    if (SameDnsName(owner, instance)) return &service;
  }
  return nullptr;
}

std::optional<Endpoint> MdnsAnswers::Address(const DnsName& host, AddressFamily family) const {
  for (const auto& [owner, address] : addresses_) {
    if (address.family == family && SameDnsName(owner, host)) return address;
  }
  return std::nullopt;
}

}  // namespace jobhost::network
