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

}  // namespace
}  // namespace jobhost::win32
