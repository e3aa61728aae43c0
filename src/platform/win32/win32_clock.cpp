#include <windows.h>

#include "platform/win32/thread_with_limit.h"
#include "platform/win32/win32_system.h"

namespace jobhost::win32 {

void Win32Clock::Sleep(std::chrono::milliseconds duration) {
  ::Sleep(ToWaitMilliseconds(duration));
}

std::chrono::milliseconds Win32Clock::Now() {
  return std::chrono::milliseconds(::GetTickCount64());
}

}  // namespace jobhost::win32
