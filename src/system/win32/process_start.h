#pragma once
// Starting a program with CreateProcessW, without inheriting any handle.

#include <windows.h>

#include <string>

#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

struct StartedProcess {
  UniqueHandle process;  // set when started
  DWORD error = 0;       // GetLastError() when not started
  explicit operator bool() const { return process.valid(); }
};

// Runs the file program names (no search path is tried: a full path runs
// exactly that file) with commandLine, which starts with the program's own
// name as the program expects to parse it, and creationFlags
// (CREATE_NO_WINDOW, ...).
StartedProcess StartProcess(const std::wstring& program, std::wstring commandLine,
                            DWORD creationFlags);

}  // namespace jobhost::win32
