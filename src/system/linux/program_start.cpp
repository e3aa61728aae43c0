#include "system/linux/program_start.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <cerrno>
#include <string_view>
#include <vector>

extern char** environ;

namespace jobhost::linux {
namespace {

class SpawnActions {
 public:
  SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  // stdio on /dev/null; every other descriptor closed, whatever its flags.
  bool Prepare() {
    return ok_ && ::posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
           ::posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0) == 0 &&
           ::posix_spawn_file_actions_adddup2(&actions_, 1, 2) == 0 &&
           ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = ::posix_spawnattr_init(&attributes_) == 0; }
  ~SpawnAttributes() {
    if (ok_) ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  bool Prepare() {
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGCHLD);
    sigaddset(&defaults, SIGPIPE);
    short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    return ok_ && ::posix_spawnattr_setflags(&attributes_, flags) == 0 &&
           ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attributes_, &defaults) == 0;
  }
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_{};
  bool ok_ = false;
};

bool HasNul(std::string_view text) {
  return text.find('\0') != std::string_view::npos;
}

}  // namespace

StartedProgram StartProgram(const std::string& path, const std::optional<std::string>& argument,
                            ChildSetting setting) {
  if (HasNul(path) || (argument && HasNul(*argument))) return {0, EINVAL};
  std::string file = path;
  std::string first = argument.value_or(std::string());
  std::vector<char*> argv{file.data()};
  if (argument) argv.push_back(first.data());
  argv.push_back(nullptr);

  SpawnActions actions;
  SpawnAttributes attributes;
  const bool detached = setting == ChildSetting::kDetached;
  if (detached && (!actions.Prepare() || !attributes.Prepare())) return {0, ENOMEM};
  pid_t pid = 0;
  const int status = ::posix_spawn(&pid, file.c_str(), detached ? actions.get() : nullptr,
                                   detached ? attributes.get() : nullptr, argv.data(), environ);
  if (status != 0) return {0, status};
  return {pid, 0};
}

}  // namespace jobhost::linux
