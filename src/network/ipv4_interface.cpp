#include "network/network.h"

#include <algorithm>

namespace jobhost::network {

bool Ipv4Interface::OnNetwork(const Endpoint& other) const {
  if (other.family != AddressFamily::kIpv4 || prefixLength < 0 || prefixLength > 32) return false;
  const std::uint32_t mask = prefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - prefixLength);
  return (Ipv4Bits(address) & mask) == (Ipv4Bits(other) & mask);
}

bool Ipv6Prefix::Holds(const Endpoint& other) const {
  if (other.family != AddressFamily::kIpv6 || prefixLength < 0 || prefixLength > 128) return false;
  const int whole = prefixLength / 8;
  const int rest = prefixLength % 8;
  if (!std::equal(address.address.begin(), address.address.begin() + whole,
                  other.address.begin())) {
    return false;
  }
  const auto mask = static_cast<std::uint8_t>(0xFF << (8 - rest));
  return rest == 0 || (address.address[whole] & mask) == (other.address[whole] & mask);
}

}  // namespace jobhost::network
