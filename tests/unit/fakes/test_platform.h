#pragma once
// Every platform interface as a fake, wired into one Platform.

#include "fakes/fake_clock.h"
#include "fakes/fake_debug_output.h"
#include "fakes/fake_files.h"
#include "fakes/fake_libraries.h"
#include "fakes/fake_module_path.h"
#include "fakes/fake_oem_text.h"
#include "fakes/fake_pipe.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_settings_store.h"
#include "fakes/fake_spooler.h"
#include "platform/platform.h"

namespace jobhost::testing {

struct TestPlatform
    : PlatformOf<FakePipeHost, FakeProcesses, FakeLibraries, FakeSettingsStore, FakeSpooler,
                 FakeFiles, FakeModulePath, FakeDebugOutput, FakeClock, FakeOemText> {
  TestPlatform() { processes.clock = &clock; }
};

}  // namespace jobhost::testing
