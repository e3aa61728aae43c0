#pragma once
// Sibling libraries: load, look up an export, release.

#include <memory>
#include <string_view>

namespace jobhost {

// A loaded library; destroying it releases it.
class Library {
 public:
  virtual ~Library() = default;
  // The address of the named export, or nullptr.
  virtual void* Symbol(const char* name) = 0;
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  // nullptr when the library cannot be loaded.
  virtual std::unique_ptr<Library> Load(std::u16string_view path) = 0;
};

// Casts an export's address to its function type.
template <typename Function>
Function ExportAs(void* address) {
  return reinterpret_cast<Function>(address);
}

}  // namespace jobhost
