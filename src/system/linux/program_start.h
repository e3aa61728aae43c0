#pragma once
// Starting a program with posix_spawn: argv[0] is its path, an argument
// when given is argv[1], and it gets this process's environment.

#include <sys/types.h>

#include <optional>
#include <string>

namespace jobhost::linux {

enum class ChildSetting {
  // A session of its own (no controlling terminal), stdin, stdout and stderr
  // on /dev/null and no other descriptor, no blocked signals, SIGCHLD and
  // SIGPIPE at their defaults whatever this process set.
  kDetached,
  // This process's session and terminal, its stdio and every descriptor
  // not marked close-on-exec.
  kInherited,
};

struct StartedProgram {
  pid_t pid = 0;  // set when started
  int error = 0;  // an errno value when not started
  explicit operator bool() const { return error == 0; }
};

// A NUL in path or argument would cut it short, so such a program is never
// started (EINVAL).
StartedProgram StartProgram(const std::string& path, const std::optional<std::string>& argument,
                            ChildSetting setting);

}  // namespace jobhost::linux
