#pragma once
// Which interfaces a multicast question leaves through, and whether an
// answer's address belongs to the link it came on.

#include <cstdint>
#include <optional>
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

// The interface an IPv6 answer came in on: a link-local source's scope, else
// the interface of a prefix that holds the source; nullopt when it is on no
// link of this host's.
std::optional<std::uint32_t> Ipv6AnsweringInterface(const std::vector<Ipv6Prefix>& prefixes,
                                                    const Endpoint& from);

// The IPv6 address on the link `from` answered on: a link-local one with
// that interface's scope, or one in a prefix of that interface; nullopt
// elsewhere.
std::optional<Endpoint> OnAnsweringIpv6Link(const std::vector<Ipv6Prefix>& prefixes,
                                            const Endpoint& from, Endpoint address);

// True for an address no device on a link can have, whoever names it: the
// unspecified address, loopback, v4-mapped and v4-compatible IPv6, multicast,
// the limited broadcast, and the network and broadcast addresses of the
// IPv4 networks of the interface whose network `from` lies on.
bool NeverAHost(const std::vector<Ipv4Interface>& interfaces, const Endpoint& from,
                const Endpoint& address);

}  // namespace jobhost::network
