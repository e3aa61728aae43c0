#pragma once
// The Win32 implementations of every interface, owned together.

#include "platform/platform.h"
#include "platform/win32/files.h"
#include "platform/win32/library.h"
#include "platform/win32/pipe.h"
#include "platform/win32/process.h"
#include "platform/win32/settings_store.h"
#include "platform/win32/spooler.h"

namespace jobhost::win32 {

using Win32Platform =
    PlatformOf<Win32PipeHost, Win32Processes, Win32Libraries, Win32SettingsStore, Win32Spooler,
               Win32Files, Win32ModulePath, Win32DebugOutput, Win32Clock, Win32OemText>;

}  // namespace jobhost::win32
