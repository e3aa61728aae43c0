#pragma once
// Every Linux implementation of the seam, owned together.

#include "platform/linux/files.h"
#include "platform/linux/library.h"
#include "platform/linux/oem_text.h"
#include "platform/linux/pipe.h"
#include "platform/linux/process.h"
#include "platform/linux/settings_store.h"
#include "platform/linux/spooler.h"
#include "platform/platform.h"
#include "platform/system_adapters.h"
#include "system/clock.h"

namespace jobhost::linux {

using LinuxPlatform =
    PlatformOf<LinuxPipeHost, LinuxProcesses, LinuxLibraries, SqliteSettingsStore, LinuxSpooler,
               LinuxFiles, SystemModulePath, SystemDebugOutput, SteadyClock, LinuxOemText>;

}  // namespace jobhost::linux
