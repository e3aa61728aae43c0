#pragma once
// The debug-output channel, where every binary of the package writes its
// diagnostics: OutputDebugStringA on Windows; on Linux the file named by
// JOBHOST_DEBUG_LOG, else syslog.

#include <string_view>

namespace jobhost {

// Sends text as one piece, nothing added (no prefix or time), and whole: a
// NUL inside it does not end it early on Linux. Windows' channel takes a
// terminated text, which ends at the first NUL; each call is a record of its
// own there. A log file or syslog has no records of a writer's own, so on
// Linux a text that does not end in a line feed is sent with one. A failure
// is not reported.
void SendDebugText(std::string_view text);

}  // namespace jobhost
