#pragma once
// The program's path: GetModuleFileNameW read whole, in its long form.

#include "platform/module_path.h"
#include "system/module_path.h"

namespace jobhost::win32 {

class Win32ModulePath : public ModulePath {
 public:
  std::optional<std::u16string> Read() override { return ProgramPath(); }
};

}  // namespace jobhost::win32
