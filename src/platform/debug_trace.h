#pragma once
// Formatted diagnostics on the debug-output channel, sent as one piece with
// nothing added (no prefix, time or line end).

#include <cstdarg>

#include "platform/debug_output.h"

namespace jobhost {

// True when the complete text was sent.
bool DebugTrace(DebugOutput& channel, const char* format, ...);
bool DebugTraceV(DebugOutput& channel, const char* format, va_list args);

}  // namespace jobhost
