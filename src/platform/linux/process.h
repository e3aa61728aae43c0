#pragma once
// Starting siblings with posix_spawn, the process list from /proc, stopping
// by image name with SIGKILL.

#include <signal.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace jobhost::linux {

// While an instance exists, the children of this process are reaped by the
// system as they end (SIGCHLD with SA_NOCLDWAIT, a process-wide setting), so
// a sibling that ends, or is stopped, never lingers as a zombie; whether a
// launched process has ended is seen through a pidfd. The previous SIGCHLD
// disposition is restored on destruction.
class LinuxProcesses : public Processes {
 public:
  LinuxProcesses();
  ~LinuxProcesses() override;
  LinuxProcesses(const LinuxProcesses&) = delete;
  LinuxProcesses& operator=(const LinuxProcesses&) = delete;

  // Runs path (a full path) in a new session with stdin, stdout and stderr
  // on /dev/null and no other descriptor; parameters, when given, are argv[1].
  std::unique_ptr<LaunchedProcess> Launch(std::u16string_view path,
                                          std::optional<std::u16string_view> parameters) override;
  std::optional<std::vector<std::u16string>> ImageNames() override;
  // SIGKILL to every other process of imageName this process may signal;
  // returns once they have ended (at most 10 s).
  void StopByImageName(std::u16string_view imageName) override;

 private:
  struct sigaction previousChildAction_ {};
  bool restoreChildAction_ = false;
};

}  // namespace jobhost::linux
