#include "network/interface_rules.h"

#include <algorithm>

namespace jobhost::network {

std::vector<Endpoint> GroupOnInterfaces(Network& network, const Endpoint& group) {
  std::vector<std::uint32_t> indexes;
  if (group.family == AddressFamily::kIpv6) {
    indexes = network.Ipv6MulticastInterfaces();
  } else {
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

bool OnAnsweringLink(const std::vector<Ipv4Interface>& interfaces, const Endpoint& from,
                     const Endpoint& address) {
  return std::ranges::any_of(interfaces, [&](const Ipv4Interface& link) {
    return link.OnNetwork(from) && std::ranges::any_of(interfaces, [&](const Ipv4Interface& other) {
             return other.index == link.index && other.OnNetwork(address);
           });
  });
}

std::optional<std::uint32_t> Ipv6AnsweringInterface(const std::vector<Ipv6Prefix>& prefixes,
                                                    const Endpoint& from) {
  if (from.family != AddressFamily::kIpv6) return std::nullopt;
  if (from.IsIpv6LinkLocal()) {
    return from.scopeId != 0 ? std::optional<std::uint32_t>(from.scopeId) : std::nullopt;
  }
  const auto holding =
      std::ranges::find_if(prefixes, [&](const Ipv6Prefix& prefix) { return prefix.Holds(from); });
  if (holding == prefixes.end()) return std::nullopt;
  return holding->index;
}

std::optional<Endpoint> OnAnsweringIpv6Link(const std::vector<Ipv6Prefix>& prefixes,
                                            const Endpoint& from, Endpoint address) {
  const std::optional<std::uint32_t> link = Ipv6AnsweringInterface(prefixes, from);
  if (!link || address.family != AddressFamily::kIpv6) return std::nullopt;
  if (address.IsIpv6LinkLocal()) {
    address.scopeId = *link;
    return address;
  }
  address.scopeId = 0;
  const bool onLink = std::ranges::any_of(prefixes, [&](const Ipv6Prefix& prefix) {
    return prefix.index == *link && prefix.Holds(address);
  });
  return onLink ? std::optional<Endpoint>(address) : std::nullopt;
}

namespace {

bool NeverAHostAnywhere(const Endpoint& address) {
  const auto& bytes = address.address;
  if (address.family == AddressFamily::kIpv4) {
    const std::uint32_t bits = Ipv4Bits(address);
    return bytes[0] == 0 || bytes[0] == 127 || (bytes[0] & 0xF0) == 0xE0 || bits == 0xFFFFFFFF;
  }
  if (address.IsIpv6Multicast()) return true;
  const auto zeros = [&](std::size_t from, std::size_t to) {
    return std::all_of(bytes.begin() + from, bytes.begin() + to, [](auto b) { return b == 0; });
  };
  // ::/96 holds the unspecified address, loopback and v4-compatible ones.
  return zeros(0, 10) && (zeros(10, 12) || (bytes[10] == 0xFF && bytes[11] == 0xFF));
}

// Its host bits all zero or all one, on a network with hosts between.
bool NetworkOrBroadcast(const Ipv4Interface& network, const Endpoint& address) {
  if (network.prefixLength >= 31 || !network.OnNetwork(address)) return false;
  const std::uint32_t hostBits = ~std::uint32_t{0} >> network.prefixLength;
  const std::uint32_t host = Ipv4Bits(address) & hostBits;
  return host == 0 || host == hostBits;
}

}  // namespace

bool NeverAHost(const std::vector<Ipv4Interface>& interfaces, const Endpoint& from,
                const Endpoint& address) {
  if (NeverAHostAnywhere(address)) return true;
  return address.family == AddressFamily::kIpv4 &&
         std::ranges::any_of(interfaces, [&](const Ipv4Interface& link) {
           return link.OnNetwork(from) &&
                  std::ranges::any_of(interfaces, [&](const Ipv4Interface& other) {
                    return other.index == link.index && NetworkOrBroadcast(other, address);
                  });
         });
}

}  // namespace jobhost::network
