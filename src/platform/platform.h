#pragma once
// Everything the core reaches of the system, handed in by reference.

#include <type_traits>

#include "platform/debug_output.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/module_path.h"
#include "platform/oem_text.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "platform/spooler.h"
#include "system/clock.h"

namespace jobhost {

// A member made with the members it writes to (a pipe host that reports
// refused clients takes the debug output), else on its own.
template <class T, class... Uses>
T MadeWith(Uses&... uses) {
  if constexpr (std::is_constructible_v<T, Uses&...>) {
    return T(uses...);
  } else {
    return T();
  }
}

struct Platform {
  PipeHost& pipes;
  Processes& processes;
  Libraries& libraries;
  SettingsStore& settings;
  Spooler& spooler;
  Files& files;
  ModulePath& modulePath;
  DebugOutput& debug;
  Clock& clock;
  OemText& oem;
};

// Owns one implementation of each interface and hands them out as one
// Platform. The backends and the tests' fakes are all assembled here.
template <class PipesT, class ProcessesT, class LibrariesT, class SettingsT, class SpoolerT,
          class FilesT, class ModulePathT, class DebugT, class ClockT, class OemT>
struct PlatformOf {
  PlatformOf() = default;
  // The Platform refers to the members; a copy would refer to the original's.
  PlatformOf(const PlatformOf&) = delete;
  PlatformOf& operator=(const PlatformOf&) = delete;

  // First: the members below may write to it.
  DebugT debug;
  PipesT pipes = MadeWith<PipesT>(debug);
  ProcessesT processes;
  LibrariesT libraries;
  SettingsT settings;
  SpoolerT spooler;
  FilesT files;
  ModulePathT modulePath;
  ClockT clock;
  OemT oem;
  // Last: refers to every member above.
  Platform platform{pipes, processes,  libraries, settings, spooler,
                    files, modulePath, debug,     clock,    oem};
};

}  // namespace jobhost
