#pragma once
// Every platform interface as a fake, wired into one Platform.

#include <memory>
#include <string>

#include "fakes/fake_clock.h"
#include "fakes/fake_debug_output.h"
#include "fakes/fake_files.h"
#include "fakes/fake_libraries.h"
#include "fakes/fake_module_path.h"
#include "fakes/fake_pipe.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_spooler.h"
#include "platform/platform.h"
#include "support/utf.h"

namespace jobhost::testing {

// The job service does not reach the store; it counts any call and fails it.
class UnusedSettingsStore : public SettingsStore {
 public:
  int opens = 0;
  std::unique_ptr<SettingsKey> OpenKey(std::u16string_view) override {
    ++opens;
    return nullptr;
  }
  std::unique_ptr<SettingsKey> CreateKey(std::u16string_view) override {
    ++opens;
    return nullptr;
  }
};

// The 8-bit form as on POSIX: UTF-8.
class Utf8OemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override { return Utf16ToUtf8(text); }
};

struct TestPlatform {
  TestPlatform() { processes.clock = &clock; }

  FakePipeHost pipes;
  FakeProcesses processes;
  FakeLibraries libraries;
  UnusedSettingsStore settings;
  FakeSpooler spooler;
  FakeFiles files;
  FakeModulePath modulePath;
  FakeDebugOutput debug;
  FakeClock clock;
  Utf8OemText oem;
  Platform platform{pipes, processes,  libraries, settings, spooler,
                    files, modulePath, debug,     clock,    oem};
};

}  // namespace jobhost::testing
