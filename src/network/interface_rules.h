#pragma once
// Which interfaces a multicast question leaves through, and whether an
// answer's address belongs to the link it came on.

#include <vector>

#include "network/network.h"

namespace jobhost::network {

// The group (with its port) once on every interface that is up and does
// multicast: IPv4 by the index of an interface address with multicast, IPv6
// by Ipv6MulticastInterfaces.
std::vector<Endpoint> GroupOnInterfaces(Network& network, const Endpoint& group);

// True when `address` lies on a network of the interface whose network
// `from` lies on: what a link-local protocol may take on trust.
bool OnAnsweringLink(const std::vector<Ipv4Interface>& interfaces, const Endpoint& from,
                     const Endpoint& address);

}  // namespace jobhost::network
