#pragma once
// A UDP endpoint of either family, in a form the portable code can compare
// and print without a socket header.

#include <array>
#include <cstdint>
#include <string>

namespace jobhost::network {

enum class AddressFamily { kIpv4, kIpv6 };

struct Endpoint {
  AddressFamily family = AddressFamily::kIpv4;
  // Network byte order; IPv4 uses the first four bytes.
  std::array<std::uint8_t, 16> address{};
  std::uint16_t port = 0;
  // IPv6 interface index for link-local and multicast addresses, else 0.
  std::uint32_t scopeId = 0;

  bool operator==(const Endpoint&) const = default;
  bool SameAddress(const Endpoint& other) const {
    return family == other.family && address == other.address;
  }
  bool IsIpv6Multicast() const { return family == AddressFamily::kIpv6 && address[0] == 0xFF; }
  // fe80::/10: meaningful only with the interface it came on.
  bool IsIpv6LinkLocal() const {
    return family == AddressFamily::kIpv6 && address[0] == 0xFE && (address[1] & 0xC0) == 0x80;
  }
};

Endpoint Ipv4Endpoint(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                      std::uint16_t port);

// An IPv4 endpoint's address as a number, most significant byte first, and
// back.
std::uint32_t Ipv4Bits(const Endpoint& endpoint);
Endpoint Ipv4EndpointOfBits(std::uint32_t bits, std::uint16_t port);

// Dotted text of an IPv4 endpoint's address, e.g. "192.0.2.7".
std::string FormatIpv4(const Endpoint& endpoint);

}  // namespace jobhost::network
