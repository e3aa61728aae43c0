#pragma once
// Small system services: files, the module path, debug output, time, and the
// 8-bit ("OEM") form of command-line text.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace jobhost {

class Files {
 public:
  virtual ~Files() = default;
  // Copies source to target, replacing an existing target.
  virtual bool CopyReplacing(std::u16string_view source, std::u16string_view target) = 0;
};

class ModulePath {
 public:
  virtual ~ModulePath() = default;
  // The running program's whole path; nullopt when it cannot be read.
  virtual std::optional<std::u16string> Read() = 0;
};

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  // Sends text to the debug-output channel as one piece.
  virtual void Send(std::string_view text) = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
  // Monotonic time, for limits.
  virtual std::chrono::milliseconds Now() = 0;
};

class OemText {
 public:
  virtual ~OemText() = default;
  // Converts UTF-16 text to the 8-bit form used with the discovery library and
  // for number parsing (the OEM code page on Windows, UTF-8 elsewhere).
  virtual std::string FromUtf16(std::u16string_view text) = 0;
};

}  // namespace jobhost
