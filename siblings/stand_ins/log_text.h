#pragma once
// Log lines of the stand-ins: one call per line, texts quoted so that any
// byte a caller hands over stays visible and the line stays one line.

#include <string>
#include <string_view>

namespace jobhost::stand_in {

// "null" for a null pointer, otherwise the text in double quotes with
// backslash, double quote and control bytes written as \\, \" and \xHH.
// Bytes from 0x80 up are written as \xHH too when escapeHighBytes is set
// (8-bit texts of unknown code page); otherwise they pass (UTF-8 texts).
std::string Quoted(const char* text, bool escapeHighBytes);
std::string Quoted(std::string_view text, bool escapeHighBytes);

// "null" or "set", for pointers (data or function) whose target does not matter.
template <typename Pointer>
const char* PointerWord(Pointer pointer) {
  return pointer == nullptr ? "null" : "set";
}

}  // namespace jobhost::stand_in
