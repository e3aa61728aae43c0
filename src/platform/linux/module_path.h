#pragma once
// The program's path: /proc/self/exe, whole.

#include "platform/module_path.h"
#include "system/module_path.h"

namespace jobhost::linux {

class LinuxModulePath : public ModulePath {
 public:
  std::optional<std::u16string> Read() override { return ProgramPath(); }
};

}  // namespace jobhost::linux
