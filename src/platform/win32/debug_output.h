#pragma once
// The debug-output channel: OutputDebugStringA.

#include "platform/debug_output.h"
#include "system/debug_channel.h"

namespace jobhost::win32 {

class Win32DebugOutput : public DebugOutput {
 public:
  void Send(std::string_view text) override { SendDebugText(text); }
};

}  // namespace jobhost::win32
