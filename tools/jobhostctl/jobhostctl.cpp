#include <cstdio>

#include "commands.h"
#include "system/unique_resource.h"

namespace jobhost::ctl {
namespace {

constexpr std::string_view kHelp = R"(usage: jobhostctl COMMAND [ARGUMENTS]

Drives the job service and its stored settings, for tests and by hand.

commands:
  search   try a printer search as the driver does; print what it found
  send     send one request to the job service and print its reply
  storm    many clients send requests at once; print what they met
  reg      query, set or delete a value of the per-user settings store
  record   make or show a search-settings record ("SearchData")

"jobhostctl COMMAND --help" describes each command; "jobhostctl --version"
prints the version.
)";

}  // namespace

void PrintOut(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

int Fail(int code, std::string_view message) {
  std::string line = "jobhostctl: " + std::string(message) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  return code;
}

int ShowHelp(std::string_view help) {
  PrintOut(help);
  return kExitOk;
}

int ShowVersion() {
  PrintOut("jobhostctl " JOBHOST_VERSION_TEXT "\n");
  return kExitOk;
}

int RunJobhostCtl(std::span<const std::string> arguments) {
  if (arguments.empty()) {
    std::fwrite(kHelp.data(), 1, kHelp.size(), stderr);
    return kExitUsage;
  }
  const std::string& command = arguments.front();
  std::span<const std::string> rest = arguments.subspan(1);
  if (command == "--help" || command == "-h" || command == "help") return ShowHelp(kHelp);
  if (command == "--version") return ShowVersion();
  if (command == "search") return RunSearch(rest);
  if (command == "send") return RunSend(rest);
  if (command == "storm") return RunStorm(rest);
  if (command == "reg") return RunReg(rest);
  if (command == "record") return RunRecord(rest);
  return Fail(kExitUsage, "unknown command " + command + " (try --help)");
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path) {
  UniqueFile file(OpenBinaryFile(path, false));
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return bytes;
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  UniqueFile file(OpenBinaryFile(path, true));
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace jobhost::ctl
