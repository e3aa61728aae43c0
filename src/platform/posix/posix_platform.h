#pragma once
// Every POSIX implementation of the seam, owned together.

#include "platform/platform.h"
#include "platform/posix/posix_libraries.h"
#include "platform/posix/posix_pipe.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_spooler.h"
#include "platform/posix/posix_system.h"
#include "platform/posix/sqlite_settings_store.h"

namespace jobhost {

using PosixPlatform =
    PlatformOf<PosixPipeHost, PosixProcesses, PosixLibraries, SqliteSettingsStore, PosixSpooler,
               PosixFiles, PosixModulePath, PosixDebugOutput, PosixClock, PosixOemText>;

}  // namespace jobhost
