#pragma once
// The small system services: file copies for overlay requests, module path,
// debug output, clock, 8-bit text.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace jobhost {

// Request paths use "\" as their separator ("/" separates request fields).
std::string LinuxPathOf(std::u16string_view requestPath);

class LinuxFiles : public Files {
 public:
  // Copies a regular file's contents and permission bits through a temporary
  // file beside the target, renamed over it: the target is either the old
  // file or the whole copy, never half of one. Any other source (FIFO,
  // socket, device, directory) fails at once and leaves the target as it was.
  bool CopyReplacing(std::u16string_view source, std::u16string_view target) override;
};

class LinuxModulePath : public ModulePath {
 public:
  // /proc/self/exe, whole.
  std::optional<std::u16string> Read() override;
};

// Appends each text to the file named by JOBHOST_DEBUG_LOG with one write
// (so concurrent writers never interleave within a text); without it, to
// syslog at LOG_DEBUG.
class LinuxDebugOutput : public DebugOutput {
 public:
  void Send(std::string_view text) override;
};

class LinuxClock : public Clock {
 public:
  void Sleep(std::chrono::milliseconds duration) override;
  std::chrono::milliseconds Now() override;
};

// The 8-bit form of text on Linux is UTF-8.
class LinuxOemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override;
};

}  // namespace jobhost
