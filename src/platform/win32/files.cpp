#include "platform/win32/files.h"

#include <windows.h>

#include <climits>
#include <string>

#include "platform/win32/thread_with_limit.h"
#include "support/windows_path.h"
#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// Past the longest path the system supports the answer is not a path.
constexpr std::size_t kLongestPath = 32768;

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

std::wstring ModuleFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
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

// In its long form: started through a short 8.3 path, the program would
// derive its prefix from a name such as VANTOR~1.EXE.
std::optional<std::u16string> Win32ModulePath::Read() {
  const std::wstring path = ModuleFileName();
  if (path.empty()) return std::nullopt;
  const std::wstring longPath = ReadSystemText(
      [&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(path.c_str(), buffer, size); });
  return FromWide(longPath.empty() ? path : longPath);
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
