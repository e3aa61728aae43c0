#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "caller_name.h"

namespace jobhost::devprobe {
namespace {

TEST(InstanceNameForCaller, IsThePlatformsTextCutAtALetterToFitTheName) {
#ifdef _WIN32
  if (::GetACP() != 1252) GTEST_SKIP() << "the ANSI rows are for code page 1252";
  constexpr bool kAnsi = true;
#else
  constexpr bool kAnsi = false;
#endif
  const std::string filler(46, 'a');
  const std::string stray = "\xef\xbf\xbd";
  const auto repeat = [](const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
  };
  const struct {
    std::string label;
    std::string utf8;
    std::string ansi;
  } cases[] = {
      {"B\xc3\xbcro\tLaser", "B\xc3\xbcro Laser", "B\xfcro Laser"},
      {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac", "??"},
      // é takes two bytes in UTF-8, past byte 47; one in code page 1252.
      {filler + "\xc3\xa9", filler, filler + "\xe9"},
      {filler + "\xf0\x9f\x96\xa8", filler, filler + "?"},
      // The stray bytes of 8-bit labels (Latin-1, code page 1252) become
      // U+FFFD, three bytes in UTF-8 but one '?' in the code page.
      {"B\xfcro Drucker 3", "B" + stray + "ro Drucker 3", "B?ro Drucker 3"},
      {"\xc4\xd6\xdc\xe4\xf6\xfc Drucker", repeat(stray, 6) + " Drucker", "?????? Drucker"},
      {"Preis \x80\x9f", "Preis " + stray + stray, "Preis ??"},
      {filler.substr(6) + std::string(8, '\xfc'), filler.substr(6) + repeat(stray, 2),
       filler.substr(6) + std::string(7, '?')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InstanceNameForCaller(c.label), kAnsi ? c.ansi : c.utf8) << c.label;
  }
}
}  // namespace
}  // namespace jobhost::devprobe
