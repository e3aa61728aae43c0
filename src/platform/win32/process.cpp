#include "platform/win32/process.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include "system/win32/process_start.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// The file's default verb, hidden. No error dialog: nobody sits in front of
// the service to dismiss it, and it would hold the service until then. A
// console program shares the service's hidden console: a console of its own
// may be shown by a default terminal application even with SW_HIDE, and
// closing that window would kill the program mid-job.
constexpr ULONG kLaunchMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NO_CONSOLE;
// taskkill.exe gets a console without a window, so none shows and its
// messages reach no console of the service's.
constexpr DWORD kStopCreationFlags = CREATE_NO_WINDOW;
// How long a stop waits for taskkill.exe to end.
constexpr DWORD kStopWaitMilliseconds = 10000;

std::wstring SystemDirectory() {
  return ReadSystemText(
      [](wchar_t* buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); });
}

// Starts file hidden with the given parameter text (none: nullptr); false
// when it cannot be started. process receives the started process's handle,
// which the system may leave out.
bool StartHidden(const std::wstring& file, const wchar_t* parameters, UniqueHandle& process) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = kLaunchMask;
  info.lpFile = file.c_str();
  info.lpParameters = parameters;
  info.nShow = SW_HIDE;
  if (!::ShellExecuteExW(&info)) return false;
  process.reset(info.hProcess);
  return true;
}

std::u16string ExeFileName(const PROCESSENTRY32W& entry) {
  constexpr std::size_t kCapacity = sizeof(entry.szExeFile) / sizeof(entry.szExeFile[0]);
  std::size_t length = 0;
  while (length < kCapacity && entry.szExeFile[length] != L'\0') ++length;
  return FromWide(std::wstring_view(entry.szExeFile, length));
}

}  // namespace

bool Win32LaunchedProcess::HasEnded() {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

std::unique_ptr<LaunchedProcess> Win32Processes::Launch(
    std::u16string_view path, std::optional<std::u16string_view> parameters) {
  const std::wstring file = ToWide(path);
  const std::wstring parameterText = parameters ? ToWide(*parameters) : std::wstring();
  UniqueHandle process;
  if (!StartHidden(file, parameters ? parameterText.c_str() : nullptr, process)) return nullptr;
  return std::make_unique<Win32LaunchedProcess>(std::move(process));
}

std::optional<std::vector<std::u16string>> Win32Processes::ImageNames() {
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return std::nullopt;
  std::vector<std::u16string> names;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    names.push_back(ExeFileName(entry));
  }
  return names;
}

void Win32Processes::StopByImageName(std::u16string_view imageName) {
  // The full path, so no taskkill.exe of the current directory or the search
  // path is run instead of the system's.
  const std::wstring directory = SystemDirectory();
  if (directory.empty()) return;
  const std::wstring program = directory + L"\\taskkill.exe";
  // Quoted, so a family prefix with blanks stays one name.
  std::wstring commandLine = L"\"" + program + L"\" /F /IM \"" + ToWide(imageName) + L"\"";
  const StartedProcess taskkill = StartProcess(program, std::move(commandLine), kStopCreationFlags);
  if (!taskkill) return;
  // Waited for, so a converter started after this returns is never hit by it.
  ::WaitForSingleObject(taskkill.process.get(), kStopWaitMilliseconds);
}

}  // namespace jobhost::win32
