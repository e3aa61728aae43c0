// "jobhostctl search" on Windows: a temporary key, CreateProcessW, Ctrl-C and
// a closed console.
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "search_host.h"
#include "support/utf.h"
#include "system/module_path.h"
#include "system/win32/process_start.h"
#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::ctl {
namespace {

std::atomic<bool> interrupted{false};
// Long enough for the main thread, which looks every 200 ms, to remove the
// temporary key and exit; within the 5 s Windows gives a closed console.
constexpr DWORD kCloseGraceMs = 4000;

BOOL WINAPI NoteInterrupt(DWORD event) {
  interrupted = true;
  // Windows ends the process as soon as this handler returns from a closed
  // console: hold it while the main thread cleans up (its exit ends this
  // thread too).
  if (event == CTRL_CLOSE_EVENT) ::Sleep(kCloseGraceMs);
  return TRUE;
}

class TemporaryKey : public TemporaryStore {
 public:
  explicit TemporaryKey(SearchKeyNames names) : names_(std::move(names)) {}
  ~TemporaryKey() override {
    std::wstring path = win32::WideFromUtf8("Software\\" + names_.outer);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
  }
  const SearchKeyNames& names() const override { return names_; }

 private:
  SearchKeyNames names_;
};

class CreatedProcess : public ChildProgram {
 public:
  explicit CreatedProcess(win32::UniqueHandle process) : process_(std::move(process)) {}
  ~CreatedProcess() override {
    if (ended_) return;
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 10000);
  }

  std::optional<int> Wait(std::chrono::milliseconds limit) override {
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
      return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    ended_ = true;
    // Ctrl-C reaches the program too, and its handler thread may run after
    // the program has ended of it.
    if (code == static_cast<DWORD>(STATUS_CONTROL_C_EXIT)) interrupted = true;
    return static_cast<int>(code);
  }

 private:
  win32::UniqueHandle process_;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<TemporaryStore> MakeTemporaryStore(std::string& error) {
  // A name no other key has: made here, never one of the user's.
  for (DWORD attempt = 0; attempt < 16; ++attempt) {
    char outer[64];
    std::snprintf(outer, sizeof outer, "JobhostctlSearch-%lu-%lu-%lu", ::GetCurrentProcessId(),
                  ::GetTickCount(), attempt);
    HKEY created = nullptr;
    DWORD disposition = 0;
    std::wstring path = win32::WideFromUtf8(std::string("Software\\") + outer);
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ, nullptr, &created, &disposition) != ERROR_SUCCESS)
      break;
    win32::UniqueRegistryKey key(created);
    if (disposition == REG_CREATED_NEW_KEY)
      return std::make_unique<TemporaryKey>(SearchKeyNames{outer, "Search"});
  }
  error = "cannot make a temporary key below HKEY_CURRENT_USER\\Software";
  return nullptr;
}

std::unique_ptr<ChildProgram> StartProgram(const std::string& path, const std::string& argument,
                                           std::string& error) {
  win32::StartedProcess started = win32::StartProcess(
      win32::WideFromUtf8(path),
      win32::WideFromUtf8(QuoteWindowsArgument(path) + " " + QuoteWindowsArgument(argument)), 0);
  if (!started) {
    error = "system error " + std::to_string(started.error);
    return nullptr;
  }
  return std::make_unique<CreatedProcess>(std::move(started.process));
}

void CatchInterrupts() {
  ::SetConsoleCtrlHandler(NoteInterrupt, TRUE);
}

bool Interrupted() {
  return interrupted;
}

bool OutputIsTerminal() {
  return ::_isatty(::_fileno(stdout)) != 0;
}

std::optional<std::string> ToolPath() {
  std::optional<std::u16string> path = ProgramPath();
  if (!path) return std::nullopt;
  return Utf16ToUtf8(*path);
}

}  // namespace jobhost::ctl
