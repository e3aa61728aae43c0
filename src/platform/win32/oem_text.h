#pragma once
// The 8-bit form of command-line text: the OEM code page.

#include "platform/oem_text.h"

namespace jobhost::win32 {

class Win32OemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override;
};

}  // namespace jobhost::win32
