#pragma once
// The 8-bit form of command-line text as on POSIX: UTF-8.

#include <string>

#include "platform/oem_text.h"
#include "support/utf.h"

namespace jobhost::testing {

class FakeOemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override { return Utf16ToUtf8(text); }
};

}  // namespace jobhost::testing
