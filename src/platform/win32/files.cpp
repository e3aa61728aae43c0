#include "platform/win32/files.h"

#include <windows.h>

#include <string>

#include "support/windows_path.h"
#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// CopyFileW refuses to replace a file with one of these, and gives the target
// a read-only source's attribute, so the next copy to it would fail.
constexpr DWORD kAttributesThatBlockReplacing =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The full path, as opening the path would resolve it; empty when it has none.
std::wstring FullPath(std::u16string_view path) {
  const std::wstring given = ToWide(path);
  return ReadSystemText([&](wchar_t* buffer, DWORD size) {
    return ::GetFullPathNameW(given.c_str(), size, buffer, nullptr);
  });
}

// Opened for its attributes only: no data is read, so nothing can block.
// A folder opens too (backup semantics) and is then refused as one. Without
// delete sharing the file can be neither renamed nor deleted while the
// handle is held, so its path keeps naming the file that was checked. A
// link that leads the open to a pipe lets its server identify this user at
// most, never act as it.
UniqueFileHandle OpenForAttributes(const std::wstring& path) {
  return UniqueFileHandle(::CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
      nullptr));
}

bool IsDiskFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  return ::GetFileType(file) == FILE_TYPE_DISK &&
         ::GetFileInformationByHandle(file, &information) &&
         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Clears an existing target's attributes that block replacing it; returns
// the attributes it had, or INVALID_FILE_ATTRIBUTES when none was changed.
DWORD MakeReplaceable(const std::wstring& target) {
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      (attributes & kAttributesThatBlockReplacing) == 0) {
    return INVALID_FILE_ATTRIBUTES;
  }
  // Zero would mean "leave them as they are".
  const DWORD rest = attributes & ~kAttributesThatBlockReplacing;
  if (!::SetFileAttributesW(target.c_str(), rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL))
    return INVALID_FILE_ATTRIBUTES;
  return attributes;
}

}  // namespace

// Both paths are decided on before anything is opened: opening a pipe path
// already connects to that pipe's server, and a device may never deliver,
// while this runs on the service's only thread without a limit.
bool Win32Files::CopyReplacing(std::u16string_view source, std::u16string_view target) {
  const std::wstring from = FullPath(source);
  const std::wstring to = FullPath(target);
  if (!IsDiskFilePath(FromWide(from)) || !IsDiskFilePath(FromWide(to))) return false;
  // Held until the copy has ended.
  const UniqueFileHandle checked = OpenForAttributes(from);
  if (!checked || !IsDiskFile(checked.get())) return false;
  // Only now, so a refused copy leaves the target as it was.
  const DWORD targetAttributes = MakeReplaceable(to);
  const bool copied = ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
  if (!copied && targetAttributes != INVALID_FILE_ATTRIBUTES)
    ::SetFileAttributesW(to.c_str(), targetAttributes);
  return copied;
}

}  // namespace jobhost::win32
