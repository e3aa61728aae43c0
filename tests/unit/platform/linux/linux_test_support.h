#pragma once
// Real-system helpers for the Linux backend's tests.

#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace jobhost::testing {

// A fresh folder under /tmp, removed with its contents.
class TempDir {
 public:
  TempDir() : path_("/tmp/jobhost-linux-test-XXXXXX") {
    if (::mkdtemp(path_.data()) == nullptr) path_.clear();
  }
  ~TempDir() {
    auto remove = [](const char* entry, const struct stat*, int, FTW*) { return ::remove(entry); };
    if (!path_.empty()) ::nftw(path_.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (nullopt: removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(previous_); }

 private:
  void Set(const std::optional<std::string>& value) {
    value ? ::setenv(name_, value->c_str(), 1) : ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> previous_;
};

inline int OpenDescriptorCount() {
  int count = -1;  // the listing's own descriptor
  if (DIR* fds = ::opendir("/proc/self/fd")) {
    while (const dirent* entry = ::readdir(fds)) count += entry->d_name[0] != '.';
    ::closedir(fds);
  }
  return count;
}

// Polls condition until it holds or limit passes.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

inline std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& contents,
                           mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
  ::chmod(path.c_str(), mode);
}

}  // namespace jobhost::testing
