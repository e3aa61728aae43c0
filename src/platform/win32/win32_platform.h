#pragma once
// The Win32 implementations of every interface, handed out as one Platform.

#include "platform/platform.h"
#include "platform/win32/win32_libraries.h"
#include "platform/win32/win32_pipe.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_settings_store.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/win32_system.h"

namespace jobhost::win32 {

class Win32Platform {
 public:
  Win32Platform() = default;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform& platform() { return platform_; }

 private:
  Win32PipeHost pipes_;
  Win32Processes processes_;
  Win32Libraries libraries_;
  Win32SettingsStore settings_;
  Win32Spooler spooler_;
  Win32Files files_;
  Win32ModulePath modulePath_;
  Win32DebugOutput debug_;
  Win32Clock clock_;
  Win32OemText oem_;
  // Last: refers to every member above.
  Platform platform_{pipes_, processes_,  libraries_, settings_, spooler_,
                     files_, modulePath_, debug_,     clock_,    oem_};
};

}  // namespace jobhost::win32
