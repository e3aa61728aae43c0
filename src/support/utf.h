#pragma once
// UTF-16 <-> UTF-8 at the system boundary. Invalid input (a lone surrogate,
// a malformed byte sequence) becomes U+FFFD; nothing is dropped silently.

#include <string>
#include <string_view>

namespace jobhost {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace jobhost
