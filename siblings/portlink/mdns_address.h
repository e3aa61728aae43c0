#pragma once
// Hosts of driverless queues, which only multicast DNS knows: a DNS-SD
// service instance ("Office Laser._ipp._tcp.local.") or a ".local" host.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "dnssd/dns_name.h"
#include "dnssd/mdns_resolve.h"

namespace jobhost::portlink {

struct MdnsHost {
  dnssd::DnsName name;
  dnssd::MdnsNameKind kind;
};

// The multicast DNS name of a URI's (percent-decoded) host (scheme in lower case): an instance for
// the dnssd scheme, a host when it ends in ".local"; nullopt when it is
// neither, or is no name a query can carry.
std::optional<MdnsHost> MdnsHostOf(std::string_view scheme, std::string_view host);

// The address text, IPv4 before IPv6, answered within limit; nullopt when
// nobody answers.
std::optional<std::string> ResolveMdnsHost(const MdnsHost& host, std::chrono::milliseconds limit);

}  // namespace jobhost::portlink
