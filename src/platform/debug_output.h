#pragma once
// The debug-output channel, as the core writes to it.

#include <string_view>

namespace jobhost {

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  // Sends text to the debug-output channel as one piece.
  virtual void Send(std::string_view text) = 0;
};

}  // namespace jobhost
