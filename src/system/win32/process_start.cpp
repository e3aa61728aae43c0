#include "system/win32/process_start.h"

namespace jobhost::win32 {

StartedProcess StartProcess(const std::wstring& program, std::wstring commandLine,
                            DWORD creationFlags) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  // CreateProcessW may write into the command line, so it is a copy of its own.
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, creationFlags,
                        nullptr, nullptr, &startup, &started)) {
    return {UniqueHandle(), ::GetLastError()};
  }
  const UniqueHandle thread(started.hThread);
  return {UniqueHandle(started.hProcess), 0};
}

}  // namespace jobhost::win32
