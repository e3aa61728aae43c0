#pragma once
// UTF-16 text of the core (char16_t) handed to W functions (wchar_t, 16 bits
// on Windows) and back. Copies, so every text passed on is terminated.

#include <string>
#include <string_view>

#include "support/utf.h"

namespace jobhost::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");

inline std::wstring ToWide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

// UTF-8 text (paths and texts of the tools and stand-ins) for W functions,
// and back; invalid sequences become U+FFFD.
inline std::wstring WideFromUtf8(std::string_view text) {
  return ToWide(Utf8ToUtf16(text));
}

inline std::string Utf8FromWide(std::wstring_view text) {
  return Utf16ToUtf8(FromWide(text));
}

// Text from a W function that, offered too small a buffer, returns the size
// it needs (terminator included) and otherwise the length it wrote; empty
// when it fails. fill(buffer, size) calls the function.
template <typename Fill>
std::wstring ReadSystemText(Fill fill) {
  const auto size = fill(nullptr, 0);
  if (size == 0) return {};
  std::wstring text(size, L'\0');
  const auto length = fill(text.data(), size);
  if (length == 0 || length >= size) return {};
  text.resize(length);
  return text;
}

}  // namespace jobhost::win32
