#include "platform/linux/settings_location.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace jobhost::linux {
namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

bool IsDirectory(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::optional<std::string> SettingsDatabasePath() {
  if (auto explicitPath = Variable("JOBHOST_REGISTRY")) return explicitPath;
  auto configHome = Variable("XDG_CONFIG_HOME");
  if (!configHome) {
    auto home = Variable("HOME");
    if (!home) return std::nullopt;
    configHome = *home + "/.config";
  }
  return *configHome + "/jobhost/registry.sqlite3";
}

bool CreateParentDirectories(const std::string& path) {
  auto end = path.rfind('/');
  if (end == std::string::npos || end == 0) return true;
  for (auto slash = path.find('/', 1); slash != std::string::npos && slash <= end;
       slash = path.find('/', slash + 1)) {
    std::string directory = path.substr(0, slash);
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return IsDirectory(path.substr(0, end));
}

}  // namespace jobhost::linux
