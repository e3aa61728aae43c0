#include "reg_options.h"

#include <gtest/gtest.h>

namespace jobhost::ctl {
namespace {

TEST(JobhostCtlRegOptions, EachActionTakesItsOwnArguments) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{"query", "HKCU\\K"}, true},
      {{"query", "HKCU\\K", "V", "--out", "f"}, true},
      {{"query", "HKCU\\K", "--out", "f"}, false},  // raw data of which value?
      {{"query", "HKCU\\K", "V", "W"}, false},
      {{"query", "HKCU\\K", "V", "--dword", "1"}, false},
      {{"set", "HKCU\\K", "V", "--dword", "1"}, true},
      {{"set", "HKCU\\K", "V", "--binary-hex", "00", "--type", "REG_SZ"}, true},
      {{"set", "HKCU\\K", "V"}, false},  // no data
      {{"set", "HKCU\\K", "V", "--dword", "1", "--binary-hex", "00"}, false},
      {{"set", "HKCU\\K", "--dword", "1"}, false},  // no value name
      {{"delete", "HKCU\\K", "V"}, true},
      {{"delete", "HKCU\\K"}, false},
      {{"delete", "HKCU\\K", "V", "--out", "f"}, false},
      {{"list", "HKCU\\K"}, false},
      {{"query"}, false},
      {{}, false},
  };
  for (const auto& [arguments, accepted] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    ParsedArguments parsed = ParseArguments(arguments, kRegOptions);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(CheckRegArguments(parsed).empty(), accepted);
  }
}

TEST(JobhostCtlRegOptions, TypesByNameOrNumberAndDwordBytesLittleEndian) {
  EXPECT_EQ(ParseValueType("REG_SZ"), ValueType::kString);
  EXPECT_EQ(ParseValueType("REG_DWORD"), ValueType::kDword);
  EXPECT_EQ(ParseValueType("11"), static_cast<ValueType>(11));
  EXPECT_EQ(ParseValueType("reg_sz"), std::nullopt);
  EXPECT_EQ(DwordData(0x11223344), (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
}

TEST(JobhostCtlRegistry, KeyIsTakenBelowTheCurrentUserRootOnly) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"HKEY_CURRENT_USER\\Software\\A", "Software\\A"},
      {"hkcu\\Software\\A/B", "Software\\A/B"},
      {"HKCU\\", std::nullopt},
      {"HKCU", std::nullopt},
      {"HKEY_LOCAL_MACHINE\\Software", std::nullopt},
      {"Software\\A", std::nullopt},
      {"HKCUX\\Software", std::nullopt},
  };
  for (const auto& [key, path] : cases) {
    SCOPED_TRACE(key);
    EXPECT_EQ(PathBelowCurrentUser(key), path);
  }
}

TEST(JobhostCtlRegistry, ValueDataIsShownByType) {
  struct Case {
    ValueType type;
    std::vector<std::uint8_t> data;
    std::string text;
  };
  const Case cases[] = {
      {ValueType::kDword, {0x02, 0x01, 0x00, 0x00}, "258"},
      {ValueType::kDword, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
      {ValueType::kDword, {0x02, 0x01}, "0201"},  // not four bytes: shown raw
      {ValueType::kBinary, {0x00, 0xAB}, "00ab"},
      {ValueType::kString, {'h', 0, 'i', 0, 0, 0, 'x', 0}, "hi"},
      {static_cast<ValueType>(11), {0x01}, "01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ValueDataText(c.type, c.data), c.text);
  }
  EXPECT_EQ(ValueTypeName(static_cast<ValueType>(11)), "type 11");
}

}  // namespace
}  // namespace jobhost::ctl
