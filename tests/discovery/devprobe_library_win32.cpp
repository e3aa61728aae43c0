#include <windows.h>

#include "devprobe_library.h"

namespace jobhost::testing {
namespace {

// Through void(*)(), which any function pointer type may be cast from.
template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace

std::unique_ptr<DevprobeLibrary> DevprobeLibrary::Load(const std::string& path,
                                                       std::string& error) {
  std::unique_ptr<DevprobeLibrary> library(new DevprobeLibrary);
  HMODULE module = ::LoadLibraryA(path.c_str());
  if (!module) {
    error = "LoadLibrary failed with " + std::to_string(::GetLastError()) + " for " + path;
    return nullptr;
  }
  library->handle_ = module;
  library->findAgent = ExportOf<FindAgentFunction>(module, kFindAgentExport);
  library->findAgentV6 = ExportOf<FindAgentV6Function>(module, kFindAgentV6Export);
  library->findV3Agent = ExportOf<FindV3AgentFunction>(module, kFindV3AgentExport);
  if (!library->findAgent || !library->findAgentV6 || !library->findV3Agent) {
    error = "an export is missing from " + path;
    return nullptr;
  }
  return library;
}

DevprobeLibrary::~DevprobeLibrary() {
  if (handle_) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

std::string LibraryBesideExecutable(const std::string& fileName) {
  char path[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return fileName;
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of("\\/") + 1) + fileName;
}

}  // namespace jobhost::testing
