#pragma once
// Every Linux implementation of the seam, owned together.

#include "platform/linux/linux_libraries.h"
#include "platform/linux/linux_pipe.h"
#include "platform/linux/linux_processes.h"
#include "platform/linux/linux_spooler.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/sqlite_settings_store.h"
#include "platform/platform.h"

namespace jobhost {

using LinuxPlatform =
    PlatformOf<LinuxPipeHost, LinuxProcesses, LinuxLibraries, SqliteSettingsStore, LinuxSpooler,
               LinuxFiles, LinuxModulePath, LinuxDebugOutput, LinuxClock, LinuxOemText>;

}  // namespace jobhost
