#include <windows.h>

#include <cstdio>

#include "support/utf.h"
#include "system_access.h"

namespace jobhost::stand_in {
namespace {

std::wstring Wide(const std::string& text) {
  std::u16string units = Utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string ModuleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return Utf16ToUtf8(std::u16string(path.begin(), path.end()));
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::string OwnExecutablePath() {
  return ModuleFileName(nullptr);
}

std::string OwnModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&OwnModulePath), &module))
    return {};
  return ModuleFileName(module);
}

bool AppendToFile(const std::string& path, std::string_view text) {
  HANDLE file =
      CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

std::FILE* OpenForReading(const std::string& path) {
  return _wfopen(Wide(path).c_str(), L"rb");
}

void SendDebugText(const std::string& text) {
  OutputDebugStringA(text.c_str());
}

}  // namespace jobhost::stand_in
