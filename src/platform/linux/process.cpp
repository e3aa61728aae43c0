#include "platform/linux/process.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/linux/deadline.h"
#include "platform/linux/process_table.h"
#include "support/utf.h"
#include "system/linux/program_start.h"
#include "system/linux/unique_fd.h"

namespace jobhost::linux {
namespace {

// How long a stop waits for the stopped processes to have ended.
constexpr std::chrono::milliseconds kStopWaitLimit{10000};

// Through syscall(): the C library's wrappers are missing or not C++-ready
// on some of the systems this builds on. pidfds are always close-on-exec.
int OpenPidfd(pid_t pid) {
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}
int KillThroughPidfd(int pidfd) {
  return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0));
}

class SpawnedProcess : public LaunchedProcess {
 public:
  explicit SpawnedProcess(pid_t pid) : pid_(pid), pidfd_(OpenPidfd(pid)) {
    // ESRCH: it has already ended and been reaped.
    if (!pidfd_) pidfdMissing_ = errno;
  }

  bool HasEnded() override {
    if (pidfd_) {
      pollfd entry{pidfd_.get(), POLLIN, 0};
      return ::poll(&entry, 1, 0) > 0;
    }
    if (pidfdMissing_ == ESRCH) return true;
    return ::kill(pid_, 0) != 0 && errno == ESRCH;
  }

 private:
  pid_t pid_;
  UniqueFd pidfd_;
  int pidfdMissing_ = 0;
};

// Signals pid through a pidfd after checking its image again, so a process
// that ended and whose id was reused is not hit; then waits (until deadline)
// for it to have ended, since a killed process still runs for a moment.
void KillIfStill(pid_t pid, const std::string& imageName, const Deadline& deadline) {
  UniqueFd pidfd(OpenPidfd(pid));
  if (!pidfd) {
    if (errno != ESRCH) ::kill(pid, SIGKILL);
    return;
  }
  if (ImageNameOf(pid) != imageName) return;
  if (KillThroughPidfd(pidfd.get()) != 0) return;
  for (;;) {
    pollfd entry{pidfd.get(), POLLIN, 0};
    int ready = ::poll(&entry, 1, deadline.RemainingMs());
    if (ready >= 0 || errno != EINTR) return;
  }
}

}  // namespace

LinuxProcesses::LinuxProcesses() {
  struct sigaction reap {};
  reap.sa_handler = SIG_DFL;
  reap.sa_flags = SA_NOCLDWAIT;
  sigemptyset(&reap.sa_mask);
  restoreChildAction_ = ::sigaction(SIGCHLD, &reap, &previousChildAction_) == 0;
}

LinuxProcesses::~LinuxProcesses() {
  if (restoreChildAction_) ::sigaction(SIGCHLD, &previousChildAction_, nullptr);
}

std::unique_ptr<LaunchedProcess> LinuxProcesses::Launch(
    std::u16string_view path, std::optional<std::u16string_view> parameters) {
  std::string file = Utf16ToUtf8(path);
  if (file.empty()) return nullptr;
  std::optional<std::string> argument;
  if (parameters) argument = Utf16ToUtf8(*parameters);
  StartedProgram started = StartProgram(file, argument, ChildSetting::kDetached);
  if (!started) return nullptr;
  return std::make_unique<SpawnedProcess>(started.pid);
}

std::optional<std::vector<std::u16string>> LinuxProcesses::ImageNames() {
  std::vector<std::u16string> names;
  bool listed =
      ForEachProcess([&](pid_t, std::string_view name) { names.push_back(Utf8ToUtf16(name)); });
  if (!listed) return std::nullopt;
  return names;
}

void LinuxProcesses::StopByImageName(std::u16string_view imageName) {
  std::string wanted = Utf16ToUtf8(imageName);
  pid_t self = ::getpid();
  std::vector<pid_t> matches;
  ForEachProcess([&](pid_t pid, std::string_view name) {
    if (pid != self && name == wanted) matches.push_back(pid);
  });
  Deadline deadline(kStopWaitLimit);
  for (pid_t pid : matches) KillIfStill(pid, wanted, deadline);
}

}  // namespace jobhost::linux
