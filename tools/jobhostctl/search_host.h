#pragma once
// What "jobhostctl search" needs of the system, one implementation per
// platform: a settings store of its own, the search program as a child, the
// user's Ctrl-C, and whether output goes to a terminal.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "search_plan.h"

namespace jobhost::ctl {

// A store or key made for one search and removed, whole, when destroyed.
// Linux: a database in a new temporary folder, named to this process and
// its children by $JOBHOST_REGISTRY. Windows: a new key below
// HKEY_CURRENT_USER\Software.
class TemporaryStore {
 public:
  virtual ~TemporaryStore() = default;
  virtual const SearchKeyNames& names() const = 0;
};

// nullptr (and error) when none can be made.
std::unique_ptr<TemporaryStore> MakeTemporaryStore(std::string& error);

// A started program; destroying it stops the program if it still runs.
class ChildProgram {
 public:
  virtual ~ChildProgram() = default;
  // The exit code once the program has ended, waiting at most limit.
  virtual std::optional<int> Wait(std::chrono::milliseconds limit) = 0;
};

// Starts path with argument as its only argument; nullptr (and error) when
// it cannot be started.
std::unique_ptr<ChildProgram> StartProgram(const std::string& path, const std::string& argument,
                                           std::string& error);

// From now on Ctrl-C (and, on Linux, SIGTERM and SIGHUP; on Windows closing
// the console) only sets a flag, so the temporary store is removed on the
// way out.
void CatchInterrupts();
bool Interrupted();

bool OutputIsTerminal();

// This tool's own path; nullopt when it cannot be read.
std::optional<std::string> ToolPath();

}  // namespace jobhost::ctl
