#pragma once
// The name a caller reads of a printer that DNS-SD or WS-Discovery named:
// 8-bit text in the caller's encoding, within the caller's name field.

#include <cstddef>
#include <string>
#include <string_view>

namespace jobhost::devprobe {

// A caller's name field holds 48 bytes, the terminator included.
inline constexpr std::size_t kMaxCallerNameBytes = 47;

// The 8-bit name a caller reads of an instance label: the platform's text
// (UTF-8 on Linux, the ANSI code page on Windows), control characters as
// blanks, cut at a letter to fit the caller's 48-byte name whole.
std::string InstanceNameForCaller(std::string_view label);

}  // namespace jobhost::devprobe
