#pragma once
// The Win32 implementations of every interface, owned together.

#include "platform/platform.h"
#include "platform/system_adapters.h"
#include "platform/win32/files.h"
#include "platform/win32/library.h"
#include "platform/win32/oem_text.h"
#include "platform/win32/pipe.h"
#include "platform/win32/process.h"
#include "platform/win32/settings_store.h"
#include "platform/win32/spooler.h"
#include "system/clock.h"

namespace jobhost::win32 {

using Win32Platform =
    PlatformOf<Win32PipeHost, Win32Processes, Win32Libraries, Win32SettingsStore, Win32Spooler,
               Win32Files, SystemModulePath, SystemDebugOutput, SteadyClock, Win32OemText>;

}  // namespace jobhost::win32
