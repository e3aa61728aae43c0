#include "platform/linux/library.h"

#include <dlfcn.h>

#include <string>

#include "support/utf.h"

namespace jobhost::linux {
namespace {

class SharedLibrary : public Library {
 public:
  explicit SharedLibrary(void* handle) : handle_(handle) {}
  ~SharedLibrary() override { ::dlclose(handle_); }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  void* Symbol(const char* name) override { return ::dlsym(handle_, name); }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<Library> LinuxLibraries::Load(std::u16string_view path) {
  std::string file = Utf16ToUtf8(path);
  if (file.empty() || file.find('\0') != std::string::npos) return nullptr;
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  return std::make_unique<SharedLibrary>(handle);
}

}  // namespace jobhost::linux
