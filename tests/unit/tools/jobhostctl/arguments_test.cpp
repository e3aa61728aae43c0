#include "arguments.h"

#include <gtest/gtest.h>

#include <array>

namespace jobhost::ctl {
namespace {

constexpr std::array kRules = {OptionRule{"--timeout", true}, OptionRule{"--nul", false}};

struct ParseCase {
  std::vector<std::string> arguments;
  std::vector<std::string> positional;
  std::optional<std::string> timeout;
  bool nul;
  bool failed;
  bool help = false;
};

TEST(JobhostCtlArguments, OptionsFlagsAndPositionalsAreSeparated) {
  const ParseCase cases[] = {
      {{"Duplex"}, {"Duplex"}, std::nullopt, false, false},
      {{"--timeout", "5", "Duplex"}, {"Duplex"}, "5", false, false},
      {{"Duplex", "--timeout=0.5"}, {"Duplex"}, "0.5", false, false},
      {{"--timeout", "--nul"}, {}, "--nul", false, false},  // a value may look like an option
      {{"--nul", "--", "--timeout"}, {"--timeout"}, std::nullopt, true, false},
      {{"-", "-x"}, {"-", "-x"}, std::nullopt, false, false},
      {{"--timeout"}, {}, std::nullopt, false, true},
      {{"--timeout", "1", "--timeout", "2"}, {}, "1", false, true},
      {{"--nul=1"}, {}, std::nullopt, true, true},
      {{"--unknown"}, {}, std::nullopt, false, true},
      {{"x", "--help"}, {"x"}, std::nullopt, false, false, true},  // every tool takes --help
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    ParsedArguments parsed = ParseArguments(c.arguments, kRules);
    EXPECT_EQ(!parsed.error.empty(), c.failed);
    if (c.failed) continue;
    EXPECT_EQ(parsed.positional, c.positional);
    EXPECT_EQ(parsed.Value("--timeout"), c.timeout);
    EXPECT_EQ(parsed.Has("--nul"), c.nul);
    EXPECT_EQ(parsed.Has("--help"), c.help);
  }
}

TEST(JobhostCtlArguments, SecondsAcceptWholeAndFractionalValuesOnly) {
  const std::pair<std::string, std::optional<long long>> cases[] = {
      {"10", 10000},
      {"0.5", 500},
      {".25", 250},
      {"2.", 2000},
      {"1.0009", 1000},
      {"0", 0},
      {"", std::nullopt},
      {".", std::nullopt},
      {"-1", std::nullopt},
      {"1.5x", std::nullopt},
      {"99999999999", std::nullopt},
      {"2000000", 2'000'000'000},
      {"2000001", std::nullopt},
  };
  for (const auto& [text, milliseconds] : cases) {
    SCOPED_TRACE(text);
    std::optional<std::chrono::milliseconds> parsed = ParseSeconds(text);
    ASSERT_EQ(parsed.has_value(), milliseconds.has_value());
    if (parsed) {
      EXPECT_EQ(parsed->count(), *milliseconds);
    }
  }
}

TEST(JobhostCtlArguments, DwordAcceptsDecimalHexAndNegativeThirtyTwoBitValues) {
  const std::pair<std::string, std::optional<std::uint32_t>> cases[] = {
      {"0", 0u},
      {"4294967295", 0xFFFFFFFFu},
      {"0xFD000080", 0xFD000080u},
      {"-1", 0xFFFFFFFFu},
      {"-2147483648", 0x80000000u},
      {"4294967296", std::nullopt},
      {"-2147483649", std::nullopt},
      {"0x", std::nullopt},
      {"0x1g", std::nullopt},
      {"12 ", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, value] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ParseDword(text), value);
  }
}

}  // namespace
}  // namespace jobhost::ctl
