#include "system/module_path.h"

#include <windows.h>

#include "system/win32/wide_text.h"

namespace jobhost {
namespace {

// Past the longest path the system supports the answer is not a path.
constexpr std::size_t kLongestPath = 32768;

std::wstring ModuleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A path that fills the buffer may have been cut: ask again with more room.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() > kLongestPath) return {};
    path.resize(path.size() * 2);
  }
}

// In its long form: started through a short 8.3 path, a program would
// derive its names from one such as VANTOR~1.EXE.
std::optional<std::u16string> LongPathOf(HMODULE module) {
  const std::wstring path = ModuleFileName(module);
  if (path.empty()) return std::nullopt;
  const std::wstring longPath = win32::ReadSystemText(
      [&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(path.c_str(), buffer, size); });
  return win32::FromWide(longPath.empty() ? path : longPath);
}

}  // namespace

std::optional<std::u16string> ProgramPath() {
  return LongPathOf(nullptr);
}

std::optional<std::u16string> ModulePathOf(const void* code) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(code), &module)) {
    return std::nullopt;
  }
  return LongPathOf(module);
}

}  // namespace jobhost
