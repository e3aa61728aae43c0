#include <dlfcn.h>
#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "system_access.h"

namespace jobhost::stand_in {
namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

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

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rbe"));
  if (!file) return std::nullopt;
  std::string content;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) content.append(chunk, got);
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return content;
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
