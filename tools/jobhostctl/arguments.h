#pragma once
// Command-line options of jobhostctl: "--name value", "--name=value" and
// flags, anywhere among the positional arguments; "--" ends the options.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::ctl {

struct OptionRule {
  std::string_view name;  // with its dashes: "--timeout"
  bool takesValue = false;
};

struct ParsedArguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> values;
  std::set<std::string, std::less<>> flags;
  std::string error;  // empty when the arguments were understood

  bool Has(std::string_view name) const { return flags.contains(name) || values.contains(name); }
  std::optional<std::string> Value(std::string_view name) const;
};

// "--help" is always understood as a flag. An unknown option, a missing
// value or an option given twice is an error.
ParsedArguments ParseArguments(std::span<const std::string> arguments,
                               std::span<const OptionRule> rules);

// Seconds as a decimal number with an optional fraction ("10", "0.5").
std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text);
// A REG_DWORD: decimal, "0x" hexadecimal, or a negative 32-bit decimal
// (stored as its two's complement).
std::optional<std::uint32_t> ParseDword(std::string_view text);
// A non-negative decimal count.
std::optional<std::size_t> ParseCount(std::string_view text);

}  // namespace jobhost::ctl
