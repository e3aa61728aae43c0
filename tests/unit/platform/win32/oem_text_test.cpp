#include "platform/win32/oem_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace jobhost::win32 {
namespace {

TEST(Win32OemTextTest, ConvertsExactlyTheGivenText) {
  Win32OemText oem;
  struct Case {
    std::u16string_view text;
    std::string expected;
  };
  const std::u16string whole = u"public/extra";
  const Case cases[] = {
      {u"", ""},
      {u"PRN01", "PRN01"},
      {u"192.0.2.7/x", "192.0.2.7/x"},
      {std::u16string_view(whole).substr(0, 6), "public"},  // a view, not terminated there
  };
  for (const Case& c : cases) EXPECT_EQ(oem.FromUtf16(c.text), c.expected);
}

TEST(Win32OemTextTest, UsesTheOemCodePage) {
  const UINT codePage = ::GetOEMCP();
  if (codePage != 437 && codePage != 850) GTEST_SKIP() << "OEM code page " << codePage;
  // U+00E9 is 0x82 in both code pages; in UTF-8 or ANSI it would differ.
  EXPECT_EQ(Win32OemText().FromUtf16(u"caf\u00e9"), "caf\x82");
}

TEST(Win32OemTextTest, CutsAtWholeLettersByTheCodePagesRules) {
  const std::string pairs(256, '\x82');  // 128 letters of 932: lead 0x82, trail 0x82
  const struct {
    unsigned codePage;
    std::string text;
    std::size_t kept;
  } cases[] = {
      // Windows-1252 has single-byte letters only: every byte that fits stays.
      {1252, std::string(253, 'a') + "\xE2\x82\xAC", 255},
      {1252, std::string(254, 'a') + "\xC3\xA9", 255},
      {1252, std::string(300, '\x82'), 255},
      // Shift-JIS (932): a double-byte letter across the cut goes whole.
      {932, std::string(254, 'a') + "\x82\xA0", 254},
      {932, std::string(253, 'a') + "\x82\xA0" + "b", 255},
      {932, pairs, 254},
      {932, "a" + pairs, 255},               // the trail bytes look like leads
      {932, std::string(300, '\xB1'), 255},  // single-byte katakana
      {932, std::string(100, 'a'), 100},     // what fits is kept whole
      {CP_UTF8, std::string(253, 'a') + "\xE2\x82\xAC", 253},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    EXPECT_EQ(WholeLettersWithin(c.text, 255, c.codePage), c.kept) << c.text.substr(250);
  }
}

}  // namespace
}  // namespace jobhost::win32
