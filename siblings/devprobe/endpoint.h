#pragma once
// What an endpoint is to discovery: an agent, its IPv6 text and the record
// the IPv6 callback receives.

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

#include "network/endpoint.h"

namespace jobhost::devprobe {

using network::AddressFamily;
using network::Endpoint;
using network::FormatIpv4;
using network::Ipv4Endpoint;

// Which agent an endpoint is, port aside: its family and address, and the
// scope of an IPv6 address. Ordered, for sets of agents.
using AgentKey = std::tuple<AddressFamily, std::array<std::uint8_t, 16>, std::uint32_t>;
inline AgentKey KeyOf(const Endpoint& agent) {
  return {agent.family, agent.address, agent.scopeId};
}

// The search's IPv6 text (support/ipv6_text.h): eight groups of four
// lower-case hex digits, the first run of zero groups (not the longest)
// written as "::".
std::string FormatIpv6(const std::array<std::uint8_t, 16>& address);

// Size of the record the IPv6 result callback receives.
inline constexpr std::size_t kAddressRecordSize = 80;

// The IPv6 callback's record: bytes 0-15 the address (most significant byte
// first), 16-19 the scope id and 20-21 the port, both little-endian; the rest
// zero.
std::array<std::uint8_t, kAddressRecordSize> MakeAddressRecord(const Endpoint& endpoint);

}  // namespace jobhost::devprobe
