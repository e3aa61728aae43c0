#pragma once
// A UDP endpoint of either family, in a form the portable code can compare
// and print without a socket header.

#include <array>
#include <cstdint>
#include <string>
#include <tuple>

namespace jobhost::devprobe {

enum class AddressFamily { kIpv4, kIpv6 };

struct Endpoint {
  AddressFamily family = AddressFamily::kIpv4;
  // Network byte order; IPv4 uses the first four bytes.
  std::array<std::uint8_t, 16> address{};
  std::uint16_t port = 0;
  // IPv6 interface index for link-local and multicast addresses, else 0.
  std::uint32_t scopeId = 0;

  bool SameAddress(const Endpoint& other) const {
    return family == other.family && address == other.address;
  }
  bool IsIpv6Multicast() const { return family == AddressFamily::kIpv6 && address[0] == 0xFF; }
};

// Which agent an endpoint is, port aside: its family and address, and the
// scope of an IPv6 address. Ordered, for sets of agents.
using AgentKey = std::tuple<AddressFamily, std::array<std::uint8_t, 16>, std::uint32_t>;
inline AgentKey KeyOf(const Endpoint& agent) {
  return {agent.family, agent.address, agent.scopeId};
}

Endpoint Ipv4Endpoint(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                      std::uint16_t port);

// Dotted text of an IPv4 endpoint's address, e.g. "192.0.2.7".
std::string FormatIpv4(const Endpoint& endpoint);

// The search's IPv6 text: eight groups of four lower-case hex digits, the
// first run of zero groups (not the longest) written as "::".
std::string FormatIpv6(const std::array<std::uint8_t, 16>& address);

// Size of the record the IPv6 result callback receives.
inline constexpr std::size_t kAddressRecordSize = 80;

// The IPv6 callback's record: bytes 0-15 the address (most significant byte
// first), 16-19 the scope id and 20-21 the port, both little-endian; the rest
// zero.
std::array<std::uint8_t, kAddressRecordSize> MakeAddressRecord(const Endpoint& endpoint);

}  // namespace jobhost::devprobe
