#pragma once
// Settings keys as the registry writes them, and values as reg.exe would show them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace jobhost::ctl {

// The path below HKEY_CURRENT_USER of "HKEY_CURRENT_USER\..." or "HKCU\..."
// (root name in any letter case); nullopt for another root or an empty path.
std::optional<std::string> PathBelowCurrentUser(std::string_view key);

// "REG_BINARY", "REG_DWORD", ...; "type N" for others.
std::string ValueTypeName(ValueType type);

// The data as text: REG_DWORD of 4 bytes in decimal, REG_SZ and
// REG_EXPAND_SZ as UTF-8 up to the terminator, everything else as hex.
std::string ValueDataText(ValueType type, std::span<const std::uint8_t> data);

}  // namespace jobhost::ctl
