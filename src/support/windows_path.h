#pragma once
// Which full Windows paths can name a file on a disk. Opening a pipe path
// already connects to that pipe's server, and a device may never deliver, so
// this is decided from the text alone, before anything is opened.

#include <string_view>

namespace jobhost {

// True for a full path (as GetFullPathNameW gives it) of the form "X:\..." or
// "\\server\share\..." whose share is not pipe, mailslot or IPC$, and whose
// last component is no device name (CON, NUL, COM1, CONIN$, ...). Every
// "\\.\" and "\\?\" form is refused.
bool IsDiskFilePath(std::u16string_view fullPath);

}  // namespace jobhost
