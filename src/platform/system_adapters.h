#pragma once
// The program's path and the debug-output channel, as the core reaches them:
// the system layer answers both the same way on every system.

#include "platform/debug_output.h"
#include "platform/module_path.h"
#include "system/debug_channel.h"
#include "system/module_path.h"

namespace jobhost {

class SystemModulePath : public ModulePath {
 public:
  std::optional<std::u16string> Read() override { return ProgramPath(); }
};

class SystemDebugOutput : public DebugOutput {
 public:
  void Send(std::string_view text) override { SendDebugText(text); }
};

}  // namespace jobhost
