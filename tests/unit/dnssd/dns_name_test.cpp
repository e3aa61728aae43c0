#include "dnssd/dns_name.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace jobhost::dnssd {
namespace {

using namespace std::string_literals;

TEST(DnsName, ComparesWithoutAsciiCase) {
  EXPECT_TRUE(SameDnsName({"Office Laser", "_IPP", "Local"}, {"office laser", "_ipp", "LOCAL"}));
  EXPECT_FALSE(SameDnsName({"a.b", "local"}, {"a", "b", "local"}));
  EXPECT_FALSE(SameDnsName({"\xc3\x89"}, {"\xc3\xa9"}));  // É and é: only ASCII folds
}

TEST(InstanceName, IsValidUtf8WithoutControlsCutAtALetter) {
  const std::string replacement = "\xef\xbf\xbd";
  // é, €, a printer: each fits byte 47 whole or not at all; so does U+FFFD for a stray byte.
  for (const std::string& letter : {"\xc3\xa9"s, "\xe2\x82\xac"s, "\xf0\x9f\x96\xa8"s, "\xff"s}) {
    const std::string shown = letter == "\xff" ? replacement : letter;
    const std::string filler(47 - shown.size(), 'a');
    EXPECT_EQ(InstanceNameText(filler + letter, 47), filler + shown);
    EXPECT_EQ(InstanceNameText("a" + filler + letter, 47), "a" + filler);
  }
  const std::pair<std::string, std::string> cases[] = {
      {"Office\tLaser\x7f\xc2\x85!\0x"s, "Office Laser  ! x"},
      {"\xc0\xaf", replacement + replacement},                    // an overlong /
      {"\xed\xa0\x80|a\xc3", replacement + "|a" + replacement}};  // a surrogate, a cut letter
  for (const auto& [label, text] : cases) EXPECT_EQ(InstanceNameText(label, 47), text);
}
}  // namespace
}  // namespace jobhost::dnssd
