#pragma once
// Small system services: file copy, module path, debug output, clock, OEM text.

#include "platform/system.h"

namespace jobhost::win32 {

class Win32Files : public Files {
 public:
  bool CopyReplacing(std::u16string_view source, std::u16string_view target) override;
};

class Win32ModulePath : public ModulePath {
 public:
  // Read whole, however long; nullopt when the system cannot report it.
  std::optional<std::u16string> Read() override;
};

class Win32DebugOutput : public DebugOutput {
 public:
  void Send(std::string_view text) override;
};

class Win32Clock : public Clock {
 public:
  void Sleep(std::chrono::milliseconds duration) override;
  std::chrono::milliseconds Now() override;
};

class Win32OemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override;
};

}  // namespace jobhost::win32
