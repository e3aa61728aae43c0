// Single-host discovery latency on loopback: FindSnmpAgent of the built
// library next to net-snmp's snmpget asking the same agent for the same
// object, in one run. Run through tests/discovery/run_with_snmpd.sh, which starts
// the agent; prints medians, means and the ratio. snmpget's time includes
// starting a process, so the time to start /bin/true is printed as well.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "devprobe_library.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int found = 0;

std::int32_t JOBHOST_WINAPI OnAgent(const char*, const char*) {
  ++found;
  return 1;
}

struct Summary {
  double medianMs;
  double meanMs;
};

Summary Summarise(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const double mean = std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
  return {samples[samples.size() / 2], mean};
}

template <typename Run>
std::vector<double> Measure(int rounds, Run run) {
  std::vector<double> samples;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    if (!run()) {
      std::fprintf(stderr, "devprobe_bench: a run failed\n");
      std::exit(1);
    }
    samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return samples;
}

// Runs a program quietly with the given environment; true when it exits 0.
bool Spawn(std::vector<std::string> arguments, const std::vector<std::string>& environment) {
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> envCopy = environment;
  std::vector<char*> envp;
  for (auto& entry : envCopy) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Print(const char* what, const Summary& summary) {
  std::printf("%-40s median %8.3f ms   mean %8.3f ms\n", what, summary.medianMs, summary.meanMs);
}

}  // namespace

int main(int argc, char** argv) {
  const char* port = std::getenv("JOBHOST_SNMPD_PORT");
  if (!port) {
    std::fprintf(stderr, "devprobe_bench: no agent; run it through run_with_snmpd.sh\n");
    return 2;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  std::string error;
  const auto library = jobhost::testing::DevprobeLibrary::Load(
      jobhost::testing::LibraryBesideExecutable(JOBHOST_DEVPROBE_FILE), error);
  if (!library) {
    std::fprintf(stderr, "devprobe_bench: %s\n", error.c_str());
    return 2;
  }
  const std::string parameter = std::string("port=") + port;
  const std::string agent = std::string("127.0.0.1:") + port;
  std::string folder = std::filesystem::temp_directory_path() / "jobhost-bench.XXXXXX";
  if (!::mkdtemp(folder.data())) return 2;
  const std::string temporary = folder;
  // snmpget without MIB files or system configuration, state in a temporary folder.
  const std::vector<std::string> quiet = {
      "MIBS=", std::string("SNMP_PERSISTENT_DIR=") + temporary,
      std::string("SNMPCONFPATH=") + temporary,
      std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "")};

  const auto devprobe = Measure(rounds, [&] {
    found = 0;
    library->findAgent("public", 0, "127.0.0.1", 3000, parameter.c_str(), nullptr, OnAgent,
                       nullptr);
    return found == 1;
  });
  const auto snmpget = Measure(rounds, [&] {
    return Spawn({"snmpget", "-v2c", "-c", "public", "-On", "-t", "3", "-r", "0", agent,
                  "1.3.6.1.2.1.1.5.0"},
                 quiet);
  });
  const auto spawnOnly = Measure(rounds, [&] { return Spawn({"true"}, quiet); });

  const Summary ours = Summarise(devprobe);
  const Summary theirs = Summarise(snmpget);
  std::printf("single-host discovery of one agent on loopback, %d rounds each\n", rounds);
  Print("FindSnmpAgent (library call)", ours);
  Print("snmpget -v2c sysName.0 (process)", theirs);
  Print("starting /bin/true (process start only)", Summarise(spawnOnly));
  std::printf("ratio snmpget / FindSnmpAgent (medians): %.1f\n", theirs.medianMs / ours.medianMs);
  std::error_code ignored;
  std::filesystem::remove_all(temporary, ignored);
  return 0;
}
