#pragma once
// The program's own path as scripted; nullopt makes it unreadable.

#include <optional>
#include <string>

#include "fakes/test_family.h"
#include "platform/module_path.h"

namespace jobhost::testing {

class FakeModulePath : public ModulePath {
 public:
  std::optional<std::u16string> path = kProgramPath;
  std::optional<std::u16string> Read() override { return path; }
};

}  // namespace jobhost::testing
