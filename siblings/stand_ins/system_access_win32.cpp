#include <windows.h>

#include <cstdio>

#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"
#include "system_access.h"

namespace jobhost::stand_in {

bool AppendToFile(const std::string& path, std::string_view text) {
  const win32::UniqueFileHandle file(CreateFileW(
      win32::WideFromUtf8(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  return ok && written == text.size();
}

std::FILE* OpenForReading(const std::string& path) {
  return _wfopen(win32::WideFromUtf8(path).c_str(), L"rb");
}

}  // namespace jobhost::stand_in
