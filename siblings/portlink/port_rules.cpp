#include "port_rules.h"

#include <algorithm>

#include "abi/port_library_abi.h"
#include "support/device_uri.h"
#include "support/utf.h"

namespace jobhost::portlink {
namespace {

enum class Family { kNone, kIpv4, kIpv6 };

// The URI parser knows both address forms; an address is what it accepts as
// a host of that form, zone aside.
Family FamilyOf(std::string_view text) {
  const std::string_view bare = text.substr(0, text.find('%'));
  if (bare.empty()) return Family::kNone;
  if (bare.find(':') == std::string_view::npos) {
    if (text.size() != bare.size()) return Family::kNone;
    auto uri = ParseDeviceUri("x://" + std::string(bare) + "/");
    return uri && uri->hostIsAddress ? Family::kIpv4 : Family::kNone;
  }
  auto uri = ParseDeviceUri("x://[" + std::string(bare) + "]/");
  return uri && uri->hostIsAddress ? Family::kIpv6 : Family::kNone;
}

// fe80::/10: the first group's top ten bits.
bool IsLinkLocal(std::string_view ipv6) {
  const std::size_t colon = ipv6.find(':');
  if (colon == 0 || colon > 4) return false;
  unsigned group = 0;
  for (char digit : ipv6.substr(0, colon)) {
    const unsigned value = digit <= '9' ? digit - '0' : (digit | 0x20) - 'a' + 10;
    group = group * 16 + value;
  }
  return (group & 0xffc0) == 0xfe80;
}

char16_t Folded(char16_t letter) {
  return letter >= u'A' && letter <= u'Z' ? static_cast<char16_t>(letter + (u'a' - u'A')) : letter;
}

}  // namespace

std::int32_t WriteWholeAddress(std::string_view text, char16_t* address) {
  if (address == nullptr) return 0;
  const std::u16string units = Utf8ToUtf16(text);
  if (units.size() >= static_cast<std::size_t>(kWsdAddressUnits)) return 0;
  std::copy(units.begin(), units.end(), address);
  address[units.size()] = u'\0';
  return 1;
}

std::optional<std::string> PreferredAddress(std::span<const AddressCandidate> candidates) {
  for (const AddressCandidate& candidate : candidates) {
    if (FamilyOf(candidate.text) == Family::kIpv4) return candidate.text;
  }
  for (const AddressCandidate& candidate : candidates) {
    if (FamilyOf(candidate.text) != Family::kIpv6) continue;
    const bool zoned = candidate.text.find('%') != std::string::npos;
    if (zoned || candidate.zone == 0 || !IsLinkLocal(candidate.text)) return candidate.text;
    return candidate.text + "%" + std::to_string(candidate.zone);
  }
  return std::nullopt;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return Folded(x) == Folded(y); });
}

}  // namespace jobhost::portlink
