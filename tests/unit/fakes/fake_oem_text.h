#pragma once
// The 8-bit form of command-line text: UTF-8 as on POSIX, or, with
// singleByte set, one byte per unit as a single-byte OEM code page gives it.

#include <string>
#include <vector>

#include "platform/system.h"
#include "support/utf.h"

namespace jobhost::testing {

class FakeOemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override {
    converted.emplace_back(text);
    if (!singleByte) return Utf16ToUtf8(text);
    std::string bytes;
    for (char16_t unit : text) bytes.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
    return bytes;
  }

  bool singleByte = false;
  std::vector<std::u16string> converted;
};

}  // namespace jobhost::testing
