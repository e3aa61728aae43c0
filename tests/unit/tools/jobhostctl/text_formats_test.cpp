#include "text_formats.h"

#include <gtest/gtest.h>

namespace jobhost::ctl {
namespace {

TEST(JobhostCtlHex, ParsesPairsWithBlanksBetweenThem) {
  const std::pair<std::string, std::optional<std::vector<std::uint8_t>>> cases[] = {
      {"", std::vector<std::uint8_t>{}},
      {"00ff7F", std::vector<std::uint8_t>{0x00, 0xFF, 0x7F}},
      {"44 00\n75\t00", std::vector<std::uint8_t>{0x44, 0x00, 0x75, 0x00}},
      {"4 4", std::nullopt},  // a blank inside a pair
      {"abc", std::nullopt},
      {"0x12", std::nullopt},
      {"zz", std::nullopt},
  };
  for (const auto& [text, bytes] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ParseHex(text), bytes);
  }
}

TEST(JobhostCtlHex, FormatsAndParsesBackEveryByte) {
  std::vector<std::uint8_t> all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
  std::string text = FormatHex(all);
  EXPECT_EQ(text.substr(0, 8), "00010203");
  EXPECT_EQ(ParseHex(text), all);
}

TEST(JobhostCtlJson, EscapesWhatJsonRequiresAndKeepsOnlyWellFormedUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"\n\t\r", "\"\\n\\t\\r\""},
      {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      {"caf\xC3\xA9", "\"caf\xC3\xA9\""},                        // two-byte sequence
      {"\xE2\x82\xAC", "\"\xE2\x82\xAC\""},                      // three-byte sequence
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},              // four-byte sequence
      {"B\xFF", "\"B\\u00ff\""},                                 // not UTF-8 at all
      {"\xC3", "\"\\u00c3\""},                                   // cut sequence at the end
      {"\xC3(", "\"\\u00c3(\""},                                 // bad continuation
      {"\xC0\xAF", "\"\\u00c0\\u00af\""},                        // overlong
      {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},             // surrogate
      {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // above U+10FFFF
  };
  for (const auto& [bytes, json] : cases) {
    SCOPED_TRACE(json);
    EXPECT_EQ(JsonString(bytes), json);
  }
}

}  // namespace
}  // namespace jobhost::ctl
