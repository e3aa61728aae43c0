#include "log_text.h"

#include <cstdio>

namespace jobhost::stand_in {

std::string Quoted(std::string_view text, bool escapeHighBytes) {
  std::string quoted = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      quoted.push_back('\\');
      quoted.push_back(c);
    } else if (byte < 0x20 || byte == 0x7F || (escapeHighBytes && byte >= 0x80)) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('"');
  return quoted;
}

std::string Quoted(const char* text, bool escapeHighBytes) {
  if (text == nullptr) return "null";
  return Quoted(std::string_view(text), escapeHighBytes);
}

}  // namespace jobhost::stand_in
