#pragma once
// Names only multicast DNS knows (a DNS-SD service instance, a ".local"
// host) resolved to an address with one-shot questions on every multicast
// interface, within a bounded wait.

#include <optional>

#include "dnssd/dns_name.h"
#include "network/network.h"
#include "system/clock.h"

namespace jobhost::dnssd {

using network::Endpoint;
using network::Network;

enum class MdnsNameKind {
  kHost,      // A, then AAAA
  kInstance,  // SRV, then its target's A, then AAAA
};

// The address of the name, IPv4 before IPv6; nullopt when nobody answers it
// within timeoutMs. queryId: the id the questions carry (drawn at random, so
// that only their answers are taken).
std::optional<Endpoint> ResolveMdnsName(Network& network, Clock& clock, const DnsName& name,
                                        MdnsNameKind kind, int timeoutMs, std::uint16_t queryId);

}  // namespace jobhost::dnssd
