#include "json_text.h"

#include <cstdio>

namespace jobhost::ctl {
namespace {

// Length of the well-formed UTF-8 sequence at the start of text, 0 if none.
std::size_t Utf8SequenceLength(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

void AppendUnicodeEscape(std::string& out, unsigned value) {
  char escape[7];
  std::snprintf(escape, sizeof escape, "\\u%04x", value);
  out += escape;
}

}  // namespace

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  while (!bytes.empty()) {
    auto c = static_cast<unsigned char>(bytes.front());
    std::size_t taken = 1;
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      AppendUnicodeEscape(out, c);
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (std::size_t length = Utf8SequenceLength(bytes); length > 0) {
      out.append(bytes.substr(0, length));
      taken = length;
    } else {
      AppendUnicodeEscape(out, c);
    }
    bytes.remove_prefix(taken);
  }
  out.push_back('"');
  return out;
}

}  // namespace jobhost::ctl
