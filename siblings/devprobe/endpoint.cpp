#include "endpoint.h"

#include "support/ipv6_text.h"

namespace jobhost::devprobe {

std::string FormatIpv6(const std::array<std::uint8_t, 16>& address) {
  char text[kIpv6TextCapacity];
  FormatIpv6Address(address.data(), text);
  return text;
}

std::array<std::uint8_t, kAddressRecordSize> MakeAddressRecord(const Endpoint& endpoint) {
  std::array<std::uint8_t, kAddressRecordSize> record{};
  for (std::size_t i = 0; i < endpoint.address.size(); ++i) record[i] = endpoint.address[i];
  for (int i = 0; i < 4; ++i)
    record[16 + i] = static_cast<std::uint8_t>(endpoint.scopeId >> (8 * i));
  record[20] = static_cast<std::uint8_t>(endpoint.port & 0xFF);
  record[21] = static_cast<std::uint8_t>(endpoint.port >> 8);
  return record;
}

}  // namespace jobhost::devprobe
