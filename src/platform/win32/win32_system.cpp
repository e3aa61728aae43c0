#include "platform/win32/win32_system.h"

#include <windows.h>

#include <climits>
#include <string>

#include "platform/win32/thread_with_limit.h"
#include "platform/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// Past the longest path the system supports the answer is not a path.
constexpr std::size_t kLongestPath = 32768;

}  // namespace

bool Win32Files::CopyReplacing(std::u16string_view source, std::u16string_view target) {
  const std::wstring from = ToWide(source);
  const std::wstring to = ToWide(target);
  return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::optional<std::u16string> Win32ModulePath::Read() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::nullopt;
    // A path that fills the buffer may have been cut: ask again with more room.
    if (length < path.size()) {
      path.resize(length);
      return FromWide(path);
    }
    if (path.size() > kLongestPath) return std::nullopt;
    path.resize(path.size() * 2);
  }
}

void Win32DebugOutput::Send(std::string_view text) {
  const std::string terminated(text);
  ::OutputDebugStringA(terminated.c_str());
}

void Win32Clock::Sleep(std::chrono::milliseconds duration) {
  ::Sleep(ToWaitMilliseconds(duration));
}

std::chrono::milliseconds Win32Clock::Now() {
  return std::chrono::milliseconds(::GetTickCount64());
}

std::string Win32OemText::FromUtf16(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const std::wstring wide = ToWide(text);
  const int length = static_cast<int>(wide.size());
  const int size =
      ::WideCharToMultiByte(CP_OEMCP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string converted(static_cast<std::size_t>(size), '\0');
  const int written = ::WideCharToMultiByte(CP_OEMCP, 0, wide.data(), length, converted.data(),
                                            size, nullptr, nullptr);
  converted.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return converted;
}

}  // namespace jobhost::win32
