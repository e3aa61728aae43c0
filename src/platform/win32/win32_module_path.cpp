#include <windows.h>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"

namespace jobhost::win32 {
namespace {

// Past the longest path the system supports the answer is not a path.
constexpr std::size_t kLongestPath = 32768;

}  // namespace

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

}  // namespace jobhost::win32
