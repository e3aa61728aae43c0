#include "support/utf.h"

#include <gtest/gtest.h>

#include <string>

namespace jobhost {
namespace {

TEST(Utf, RoundTripsValidText) {
  const std::u16string texts[] = {u"", u"abc", u"Grüße", u"\u20ac", u"\U0001F5A8 printer"};
  for (const auto& text : texts) EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(Utf, InvalidInputBecomesReplacementCharacters) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"\xff", u"\uFFFD"},
      {"a\xc3", u"a\uFFFD"},            // cut sequence
      {"\xc0\xaf", u"\uFFFD\uFFFD"},    // overlong form
      {"\xed\xa0\x80", u"\uFFFD"},      // encoded surrogate
      {"\xf4\x90\x80\x80", u"\uFFFD"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8.size();
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00)) + u"x"), "\xef\xbf\xbdx");
}

TEST(Utf, WholeLettersNeverSplitAUtf8Sequence) {
  const struct {
    std::string text;
    std::size_t kept;
  } cases[] = {
      {std::string(300, 'a'), 255},
      {std::string(253, 'a') + "\xC3\xA9", 255},          // ends exactly at the limit
      {std::string(254, 'a') + "\xC3\xA9", 254},          // two-byte sequence across the cut
      {std::string(253, 'a') + "\xE2\x82\xAC", 253},      // three-byte sequence
      {std::string(252, 'a') + "\xF0\x9F\x98\x80", 252},  // four-byte sequence
      {std::string(300, '\x82'), 255},                    // single-byte code page text
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8WholeLettersWithin(c.text, 255), c.kept);
  }
}

}  // namespace
}  // namespace jobhost
