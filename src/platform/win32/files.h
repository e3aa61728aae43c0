#pragma once
// File copies for overlay requests.

#include "platform/files.h"

namespace jobhost::win32 {

class Win32Files : public Files {
 public:
  bool CopyReplacing(std::u16string_view source, std::u16string_view target) override;
};

}  // namespace jobhost::win32
