#include "endpoint.h"

namespace jobhost::devprobe {

std::string FormatIpv6(const std::array<std::uint8_t, 16>& address) {
  constexpr char kDigits[] = "0123456789abcdef";
  enum class Run { kNotYet, kIn, kAfter } run = Run::kNotYet;
  std::string text;
  for (int group = 0; group < 8; ++group) {
    const std::uint8_t high = address[2 * group];
    const std::uint8_t low = address[2 * group + 1];
    const bool zero = high == 0 && low == 0;
    if (run != Run::kAfter && zero) {
      if (run == Run::kNotYet) text += group == 0 ? "::" : ":";
      run = Run::kIn;
      continue;
    }
    if (run == Run::kIn) run = Run::kAfter;
    for (std::uint8_t byte : {high, low}) {
      text += kDigits[byte >> 4];
      text += kDigits[byte & 0x0F];
    }
    if (group < 7) text += ':';
  }
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
