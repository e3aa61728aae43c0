#pragma once
// Everything the core reaches of the system, handed in by reference.

#include "platform/library.h"
#include "platform/pipe.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "platform/spooler.h"
#include "platform/system.h"

namespace jobhost {

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

}  // namespace jobhost
