#pragma once
// The Win32 implementations of every interface, owned together.

#include "platform/platform.h"
#include "platform/win32/win32_libraries.h"
#include "platform/win32/win32_pipe.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_settings_store.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/win32_system.h"

namespace jobhost::win32 {

using Win32Platform =
    PlatformOf<Win32PipeHost, Win32Processes, Win32Libraries, Win32SettingsStore, Win32Spooler,
               Win32Files, Win32ModulePath, Win32DebugOutput, Win32Clock, Win32OemText>;

}  // namespace jobhost::win32
