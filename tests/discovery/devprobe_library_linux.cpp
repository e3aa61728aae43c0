#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "devprobe_library.h"

namespace jobhost::testing {

std::unique_ptr<DevprobeLibrary> DevprobeLibrary::Load(const std::string& path,
                                                       std::string& error) {
  std::unique_ptr<DevprobeLibrary> library(new DevprobeLibrary);
  library->handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library->handle_) {
    error = ::dlerror();
    return nullptr;
  }
  library->findAgent =
      reinterpret_cast<FindAgentFunction>(::dlsym(library->handle_, kFindAgentExport));
  library->findAgentV6 =
      reinterpret_cast<FindAgentV6Function>(::dlsym(library->handle_, kFindAgentV6Export));
  library->findV3Agent =
      reinterpret_cast<FindV3AgentFunction>(::dlsym(library->handle_, kFindV3AgentExport));
  if (!library->findAgent || !library->findAgentV6 || !library->findV3Agent) {
    error = "an export is missing from " + path;
    return nullptr;
  }
  return library;
}

DevprobeLibrary::~DevprobeLibrary() {
  if (handle_) ::dlclose(handle_);
}

std::string LibraryBesideExecutable(const std::string& fileName) {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return fileName;
  std::string directory(path, static_cast<std::size_t>(length));
  return directory.substr(0, directory.rfind('/') + 1) + fileName;
}

}  // namespace jobhost::testing
