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

}  // namespace
}  // namespace jobhost::ctl
