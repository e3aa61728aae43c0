#pragma once
// Sibling libraries through LoadLibraryW and GetProcAddress.

#include "platform/library.h"
#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

class Win32Library : public Library {
 public:
  explicit Win32Library(UniqueModule module) : module_(std::move(module)) {}
  void* Symbol(const char* name) override;

 private:
  UniqueModule module_;
};

class Win32Libraries : public Libraries {
 public:
  std::unique_ptr<Library> Load(std::u16string_view path) override;
};

}  // namespace jobhost::win32
