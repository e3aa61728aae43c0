#pragma once
// What "jobhostctl reg" accepts.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.h"
#include "platform/settings_store.h"

namespace jobhost::ctl {

extern const std::array<OptionRule, 5> kRegOptions;

// Checks the positional arguments (ACTION KEY [VALUE]) and that the options
// fit the action; an error text when they do not.
std::string CheckRegArguments(const ParsedArguments& parsed);

// A type name ("REG_SZ", ...) or number.
std::optional<ValueType> ParseValueType(std::string_view text);

// The four little-endian bytes of a REG_DWORD.
std::vector<std::uint8_t> DwordData(std::uint32_t value);

}  // namespace jobhost::ctl
