#include "network/network.h"

namespace jobhost::network {

bool Ipv4Interface::OnNetwork(const Endpoint& other) const {
  if (other.family != AddressFamily::kIpv4 || prefixLength < 0 || prefixLength > 32) return false;
  const std::uint32_t mask = prefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - prefixLength);
  return (Ipv4Bits(address) & mask) == (Ipv4Bits(other) & mask);
}

}  // namespace jobhost::network
