#include <windows.h>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"

namespace jobhost::win32 {

bool Win32Files::CopyReplacing(std::u16string_view source, std::u16string_view target) {
  const std::wstring from = ToWide(source);
  const std::wstring to = ToWide(target);
  return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

}  // namespace jobhost::win32
