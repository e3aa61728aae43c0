#pragma once
// Bytes written as hexadecimal digits, two per byte.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::ctl {

// Pairs of hex digits, either case; blanks, tabs and line breaks between the
// pairs are ignored. nullopt on any other character or an odd digit count.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

// Lower-case digits, no separators.
std::string FormatHex(std::span<const std::uint8_t> bytes);

}  // namespace jobhost::ctl
