#pragma once
// Text forms of bytes: hexadecimal digits, and JSON string literals of 8-bit
// texts whose code page is unknown.

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

// The text in double quotes. Well-formed UTF-8 passes as it is; quote,
// backslash and control characters are escaped; every byte that is not part
// of a well-formed UTF-8 sequence becomes \u00XX (its Latin-1 reading).
std::string JsonString(std::string_view bytes);

}  // namespace jobhost::ctl
