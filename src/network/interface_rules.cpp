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

}  // namespace jobhost::network
