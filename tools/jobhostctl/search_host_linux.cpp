// "jobhostctl search" on Linux: a temporary database, posix_spawn, SIGINT,
// SIGTERM and SIGHUP.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "search_host.h"
#include "support/utf.h"
#include "system/linux/program_start.h"
#include "system/module_path.h"

namespace jobhost::ctl {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void NoteInterrupt(int) {
  interrupted = 1;
}

class TemporaryDatabase : public TemporaryStore {
 public:
  explicit TemporaryDatabase(std::string folder) : folder_(std::move(folder)) {}
  ~TemporaryDatabase() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  const SearchKeyNames& names() const override { return names_; }

 private:
  std::string folder_;
  SearchKeyNames names_{"JobhostctlSearch", "Search"};
};

class SpawnedProgram : public ChildProgram {
 public:
  explicit SpawnedProgram(pid_t pid) : pid_(pid) {}
  ~SpawnedProgram() override {
    if (ended_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

  std::optional<int> Wait(std::chrono::milliseconds limit) override {
    constexpr std::chrono::milliseconds kStep{20};
    for (auto waited = std::chrono::milliseconds(0);; waited += kStep) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        ended_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (waited >= limit || interrupted) return std::nullopt;
      std::this_thread::sleep_for(kStep);
    }
  }

 private:
  pid_t pid_;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<TemporaryStore> MakeTemporaryStore(std::string& error) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/jobhostctl-search.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    error = "cannot make a temporary folder: " + std::string(std::strerror(errno));
    return nullptr;
  }
  auto store = std::make_unique<TemporaryDatabase>(pattern);
  // Read by this tool's store and by the program it starts.
  ::setenv("JOBHOST_REGISTRY", (pattern + "/registry.sqlite3").c_str(), 1);
  return store;
}

// In this tool's session, so Ctrl-C reaches the program too.
std::unique_ptr<ChildProgram> StartProgram(const std::string& path, const std::string& argument,
                                           std::string& error) {
  const linux::StartedProgram started =
      linux::StartProgram(path, argument, linux::ChildSetting::kInherited);
  if (!started) {
    error = std::strerror(started.error);
    return nullptr;
  }
  return std::make_unique<SpawnedProgram>(started.pid);
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool Interrupted() {
  return interrupted != 0;
}

bool OutputIsTerminal() {
  return ::isatty(STDOUT_FILENO) == 1;
}

std::optional<std::string> ToolPath() {
  std::optional<std::u16string> path = ProgramPath();
  if (!path) return std::nullopt;
  return Utf16ToUtf8(*path);
}

}  // namespace jobhost::ctl
