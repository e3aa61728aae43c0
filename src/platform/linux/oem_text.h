#pragma once
// The 8-bit form of text on Linux is UTF-8.

#include "platform/oem_text.h"
#include "support/utf.h"

namespace jobhost::linux {

class LinuxOemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override { return Utf16ToUtf8(text); }
  std::size_t WholeLettersWithin(std::string_view text, std::size_t maxBytes) override {
    return Utf8WholeLettersWithin(text, maxBytes);
  }
};

}  // namespace jobhost::linux
