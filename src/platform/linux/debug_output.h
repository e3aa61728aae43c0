#pragma once
// The debug-output channel: the file named by JOBHOST_DEBUG_LOG, each text
// appended with one write (so concurrent writers never interleave within a
// text); without it, syslog at LOG_DEBUG.

#include "platform/debug_output.h"
#include "system/debug_channel.h"

namespace jobhost::linux {

class LinuxDebugOutput : public DebugOutput {
 public:
  void Send(std::string_view text) override { SendDebugText(text); }
};

}  // namespace jobhost::linux
