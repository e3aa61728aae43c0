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

// True for an address no device on a link can have, whoever names it: the
// unspecified address, loopback, v4-mapped and v4-compatible IPv6, multicast,
// the limited broadcast, and the network and broadcast addresses of the
// IPv4 networks of the interface whose network `from` lies on.
bool NeverAHost(const std::vector<Ipv4Interface>& interfaces, const Endpoint& from,
                const Endpoint& address);

}  // namespace jobhost::network
