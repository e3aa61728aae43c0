#pragma once
// What "jobhostctl reg" accepts, settings keys as the registry writes them, and
// values as reg.exe would show them.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
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

// The path below HKEY_CURRENT_USER of "HKEY_CURRENT_USER\..." or "HKCU\..."
// (root name in any letter case); nullopt for another root or an empty path.
std::optional<std::string> PathBelowCurrentUser(std::string_view key);

// "REG_BINARY", "REG_DWORD", ...; "type N" for others.
std::string ValueTypeName(ValueType type);

// The data as text: REG_DWORD of 4 bytes in decimal, REG_SZ and
// REG_EXPAND_SZ as UTF-8 up to the terminator, everything else as hex.
std::string ValueDataText(ValueType type, std::span<const std::uint8_t> data);

}  // namespace jobhost::ctl
