#include "support/ipv6_text.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace jobhost {
namespace {

struct Ipv6Case {
  std::array<std::uint16_t, 8> groups;
  std::string text;
};

TEST(FormatIpv6Address, WritesFourDigitGroupsAndCompressesOnlyTheFirstZeroRun) {
  const Ipv6Case cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0}, "::"},
      {{0, 0, 0, 0, 0, 0, 0, 1}, "::0001"},
      {{0x2001, 0xdb8, 0x85a3, 1, 2, 0x8a2e, 0x370, 0x7334},
       "2001:0db8:85a3:0001:0002:8a2e:0370:7334"},
      {{0xfe80, 0, 0, 0, 0x202, 0xb3ff, 0xfe1e, 0x8329}, "fe80::0202:b3ff:fe1e:8329"},
      {{0, 0, 0, 0, 0, 0xffff, 0xc000, 0x280}, "::ffff:c000:0280"},
      {{0, 1, 2, 3, 4, 5, 6, 7}, "::0001:0002:0003:0004:0005:0006:0007"},
      {{1, 2, 3, 4, 5, 6, 7, 0}, "0001:0002:0003:0004:0005:0006:0007::"},
      {{0x2001, 0xdb8, 0, 0, 0, 0, 0, 0}, "2001:0db8::"},
      {{0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}, "2001:0db8::0001:0000:0000:0001"},
      {{0x2001, 0, 0, 1, 0, 0, 0, 1}, "2001::0001:0000:0000:0000:0001"},
      {{0, 1, 2, 3, 4, 5, 6, 0}, "::0001:0002:0003:0004:0005:0006:0000"},
      {{0x100, 1, 0xff, 0xab00, 1, 2, 3, 4}, "0100:0001:00ff:ab00:0001:0002:0003:0004"},
      {{0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}, "2001:0db8::0001:0001:0001:0001:0001"},
  };
  for (const auto& c : cases) {
    std::array<std::uint8_t, 16> address;
    for (std::size_t k = 0; k < 8; ++k) {
      address[2 * k] = static_cast<std::uint8_t>(c.groups[k] >> 8);
      address[2 * k + 1] = static_cast<std::uint8_t>(c.groups[k]);
    }
    // The field held a longer, earlier text: only the new text and its
    // terminator may be written.
    std::array<char, 80> field;
    field.fill('x');
    FormatIpv6Address(address.data(), field.data());
    EXPECT_EQ(std::string(field.data()), c.text);
    EXPECT_EQ(std::string(field.begin() + c.text.size() + 1, field.end()),
              std::string(79 - c.text.size(), 'x'))
        << c.text;
  }
}

}  // namespace
}  // namespace jobhost
