#include <dlfcn.h>
#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "system_access.h"

namespace jobhost::stand_in {

std::string OwnExecutablePath() {
  std::string path(4096, '\0');
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
  path.resize(static_cast<std::size_t>(length));
  return path;
}

std::string OwnModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnModulePath), &info) == 0 || info.dli_fname == nullptr)
    return {};
  return info.dli_fname;
}

bool AppendToFile(const std::string& path, std::string_view text) {
  int file = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (file < 0) return false;
  bool written = write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(file);
  return written;
}

// "e": not inherited by programs a stand-in might start.
std::FILE* OpenForReading(const std::string& path) {
  return std::fopen(path.c_str(), "rbe");
}

void SendDebugText(const std::string& text) {
  const char* logPath = std::getenv("JOBHOST_DEBUG_LOG");
  if (logPath != nullptr && *logPath != '\0') {
    AppendToFile(logPath, text);
    return;
  }
  syslog(LOG_DEBUG, "%s", text.c_str());
}

}  // namespace jobhost::stand_in
