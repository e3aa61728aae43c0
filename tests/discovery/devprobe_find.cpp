// Runs one find call of the discovery library and prints every agent it
// reports, one line each: address, a tab, name. For trying the library by
// hand and for the network-namespace tests.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "devprobe_library.h"

namespace {

constexpr char kUsage[] =
    "usage: devprobe_find [options] MODE TARGET\n"
    "  MODE     v4  FindSnmpAgent (SNMPv1/v2c over IPv4)\n"
    "           v6  FindSnmpAgentV6 (SNMPv1/v2c over IPv6)\n"
    "           v3  FindSnmpV3AgentEx2 over IPv4\n"
    "           v3-6  FindSnmpV3AgentEx2 over IPv6\n"
    "  TARGET   host, address, broadcast address or multicast group; \"\" for the default\n"
    "options:\n"
    "  --library PATH    the library (default: " JOBHOST_DEVPROBE_FILE
    " beside this program)\n"
    "  --broadcast       broadcast flag 1 (default 0: TARGET is one host)\n"
    "  --community TEXT  community (default public)\n"
    "  --timeout MS      time-out (default 3000)\n"
    "  --retries N       SNMPv3 retries (default 2)\n"
    "  --parameter TEXT  search parameter, e.g. port=1161\n"
    "  --elapsed         print the call's time on stderr (\"elapsed N ms\")\n"
    "Prints one line per agent: address (IPv6: with %zone when scoped), tab, name.\n"
    "Exit code 0, or 2 on bad use.\n"
    "Broadcasts and multicasts go out on real interfaces: use them only inside\n"
    "a network namespace made for the purpose.\n";

std::int32_t JOBHOST_WINAPI PrintAgent(const char* address, const char* name) {
  std::printf("%s\t%s\n", address, name);
  return 1;
}

std::int32_t JOBHOST_WINAPI PrintAgentV6(const void* record, const void*, const char* name) {
  const auto* bytes = static_cast<const unsigned char*>(record);
  for (int group = 0; group < 8; ++group) {
    std::printf("%s%x", group ? ":" : "", (bytes[2 * group] << 8) | bytes[2 * group + 1]);
  }
  // The zone (bytes 16-19, little-endian) of a scoped address.
  const unsigned long scope = bytes[16] | (bytes[17] << 8) | (bytes[18] << 16) |
                              (static_cast<unsigned long>(bytes[19]) << 24);
  if (scope != 0) std::printf("%%%lu", scope);
  std::printf("\t%s\n", name);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string library = jobhost::testing::LibraryBesideExecutable(JOBHOST_DEVPROBE_FILE);
  std::string community = "public";
  std::string parameter;
  int broadcast = 0;
  bool elapsed = false;
  int timeoutMs = 3000;
  int retries = 2;
  int index = 1;
  for (; index < argc && std::strncmp(argv[index], "--", 2) == 0; ++index) {
    const std::string option = argv[index];
    const bool hasValue = index + 1 < argc;
    if (option == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (option == "--broadcast") {
      broadcast = 1;
    } else if (option == "--elapsed") {
      elapsed = true;
    } else if (option == "--library" && hasValue) {
      library = argv[++index];
    } else if (option == "--community" && hasValue) {
      community = argv[++index];
    } else if (option == "--timeout" && hasValue) {
      timeoutMs = std::atoi(argv[++index]);
    } else if (option == "--retries" && hasValue) {
      retries = std::atoi(argv[++index]);
    } else if (option == "--parameter" && hasValue) {
      parameter = argv[++index];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (argc - index != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string mode = argv[index];
  const char* target = argv[index + 1];

  std::string error;
  const auto devprobe = jobhost::testing::DevprobeLibrary::Load(library, error);
  if (!devprobe) {
    std::fprintf(stderr, "devprobe_find: %s\n", error.c_str());
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  if (mode == "v4") {
    devprobe->findAgent(community.c_str(), broadcast, target, timeoutMs, parameter.c_str(), nullptr,
                        PrintAgent, nullptr);
  } else if (mode == "v6") {
    devprobe->findAgentV6(community.c_str(), broadcast, target, timeoutMs, parameter.c_str(),
                          nullptr, PrintAgentV6, nullptr);
  } else if (mode == "v3") {
    devprobe->findV3Agent(broadcast, target, "", 3, 30, timeoutMs, retries, 0xFD000080u,
                          parameter.c_str(), 0, PrintAgent, nullptr);
  } else if (mode == "v3-6") {
    devprobe->findV3Agent(broadcast, "", target, 3, 30, timeoutMs, retries, 0xFD000080u,
                          parameter.c_str(), 0, nullptr, PrintAgentV6);
  } else {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (elapsed) {
    const auto took = std::chrono::steady_clock::now() - start;
    std::fprintf(stderr, "elapsed %lld ms\n",
                 static_cast<long long>(
                     std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
  }
  std::fflush(stdout);
  return 0;
}
