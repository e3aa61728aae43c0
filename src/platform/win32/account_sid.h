#pragma once
// The account a process runs under, as the text of its user SID.

#include <windows.h>

#include <string>

namespace jobhost::win32 {

// "S-1-5-21-…" of the user of process's token; empty when it cannot be read.
std::wstring AccountSidOf(HANDLE process);

}  // namespace jobhost::win32
