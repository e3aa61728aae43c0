#pragma once
// Sibling libraries through dlopen/dlsym/dlclose.

#include <memory>
#include <string_view>

#include "platform/library.h"

namespace jobhost::linux {

class LinuxLibraries : public Libraries {
 public:
  // RTLD_NOW: a library with an unresolved symbol fails here, not mid-call.
  std::unique_ptr<Library> Load(std::u16string_view path) override;
};

}  // namespace jobhost::linux
