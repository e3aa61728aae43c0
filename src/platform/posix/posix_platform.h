#pragma once
// Every POSIX implementation of the seam, owned together and handed out as
// one Platform.

#include "platform/platform.h"
#include "platform/posix/posix_libraries.h"
#include "platform/posix/posix_pipe.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_spooler.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/sqlite_settings_store.h"

namespace jobhost {

class PosixPlatform {
 public:
  PosixPlatform() = default;
  PosixPlatform(const PosixPlatform&) = delete;
  PosixPlatform& operator=(const PosixPlatform&) = delete;

  Platform& platform() { return platform_; }

 private:
  PosixPipeHost pipes_;
  PosixProcesses processes_;
  PosixLibraries libraries_;
  SqliteSettingsStore settings_;
  PosixSpooler spooler_;
  PosixFiles files_;
  PosixModulePath modulePath_;
  PosixDebugOutput debug_;
  PosixClock clock_;
  PosixOemText oem_;
  Platform platform_{pipes_, processes_,  libraries_, settings_, spooler_,
                     files_, modulePath_, debug_,     clock_,    oem_};
};

}  // namespace jobhost
