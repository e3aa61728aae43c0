#pragma once
// Loads the built discovery library by path and finds its exports, as the
// program does, so tests exercise the real file and its calling interface.

#include <memory>
#include <string>

#include "abi/discovery_abi.h"

namespace jobhost::testing {

class DevprobeLibrary {
 public:
  // nullptr with why in error when the library or an export is missing.
  static std::unique_ptr<DevprobeLibrary> Load(const std::string& path, std::string& error);
  ~DevprobeLibrary();
  DevprobeLibrary(const DevprobeLibrary&) = delete;
  DevprobeLibrary& operator=(const DevprobeLibrary&) = delete;

  FindAgentFunction findAgent = nullptr;
  FindAgentV6Function findAgentV6 = nullptr;
  FindV3AgentFunction findV3Agent = nullptr;

 private:
  DevprobeLibrary() = default;
  void* handle_ = nullptr;
};

// The library's file beside the running executable.
std::string LibraryBesideExecutable(const std::string& fileName);

}  // namespace jobhost::testing
