#include <windows.h>

#include <string>

#include "platform/win32/win32_system.h"

namespace jobhost::win32 {

void Win32DebugOutput::Send(std::string_view text) {
  const std::string terminated(text);
  ::OutputDebugStringA(terminated.c_str());
}

}  // namespace jobhost::win32
