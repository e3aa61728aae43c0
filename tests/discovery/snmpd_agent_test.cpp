// The built library against a real snmpd on loopback, started around this
// program by run_with_snmpd.sh. Only 127.0.0.1 and ::1 are ever addressed.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "devprobe_library.h"

namespace jobhost::testing {
namespace {

struct Agent {
  std::string address;  // IPv4 text, or for IPv6 the 16 address bytes in hex
  std::string name;
  bool onCallingThread;
};

std::vector<Agent> found;
std::thread::id callingThread;

std::int32_t JOBHOST_WINAPI OnAgent(const char* address, const char* name) {
  found.push_back({address, name, std::this_thread::get_id() == callingThread});
  return 1;
}

std::int32_t JOBHOST_WINAPI OnAgentV6(const void* record, const void*, const char* name) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < 16; ++i) {
    const unsigned byte = static_cast<const unsigned char*>(record)[i];
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  found.push_back({hex, name, std::this_thread::get_id() == callingThread});
  return 1;
}

const char kLoopbackV6Hex[] = "00000000000000000000000000000001";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

class SnmpdAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Env("JOBHOST_SNMPD_MISSING").empty()) GTEST_SKIP() << Env("JOBHOST_SNMPD_MISSING");
    if (Env("JOBHOST_SNMPD_PORT").empty()) {
      GTEST_SKIP() << "no agent: run this program through tests/discovery/run_with_snmpd.sh";
    }
    std::string error;
    library = DevprobeLibrary::Load(LibraryBesideExecutable(JOBHOST_DEVPROBE_FILE), error);
    ASSERT_TRUE(library) << error;
    parameter = "port=" + Env("JOBHOST_SNMPD_PORT");
    sysName = Env("JOBHOST_SNMPD_SYSNAME");
    engine = Env("JOBHOST_SNMPD_ENGINE");
    found.clear();
    callingThread = std::this_thread::get_id();
  }

  bool HasIpv6() { return Env("JOBHOST_SNMPD_IPV6") == "1"; }

  // One SNMPv1/v2c find call for one host; returns how long it took.
  std::int64_t Find(bool ipv6, const char* community, const char* target, int timeoutMs,
                    const char* searchParameter = nullptr) {
    if (searchParameter == nullptr) searchParameter = parameter.c_str();
    const auto start = std::chrono::steady_clock::now();
    result = ipv6 ? library->findAgentV6(community, 0, target, timeoutMs, searchParameter, nullptr,
                                         OnAgentV6, nullptr)
                  : library->findAgent(community, 0, target, timeoutMs, searchParameter, nullptr,
                                       OnAgent, nullptr);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  }

  // The SNMPv3 call for the IPv4 host.
  std::int32_t FindV3(const char* searchParameter) {
    return library->findV3Agent(0, "127.0.0.1", "", 3, 30, 2000, 2, 0xFD000080u, searchParameter, 0,
                                OnAgent, nullptr);
  }

  std::int32_t result = 0;
  std::unique_ptr<DevprobeLibrary> library;
  std::string parameter;
  std::string sysName;
  std::string engine;
};

constexpr int kLongTimeoutMs = 5000;
// "Well before the time-out": an answer on loopback takes milliseconds.
constexpr int kPromptMs = 1000;

TEST_F(SnmpdAgentTest, HostIsReportedWithItsSysNameAsSoonAsItAnswers) {
  const struct {
    bool ipv6;
    const char* target;
    const char* reported;
  } cases[] = {{false, "127.0.0.1", "127.0.0.1"},
               {false, "localhost", "127.0.0.1"},
               {true, "::1", kLoopbackV6Hex},
               {true, "[::1]", kLoopbackV6Hex}};
  for (const auto& c : cases) {
    if (c.ipv6 && !HasIpv6()) continue;
    SCOPED_TRACE(c.target);
    found.clear();
    const auto elapsed = Find(c.ipv6, "public", c.target, kLongTimeoutMs);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].address, c.reported);
    EXPECT_EQ(found[0].name, sysName);
    EXPECT_TRUE(found[0].onCallingThread);
    EXPECT_LT(elapsed, kPromptMs);
  }
}

TEST_F(SnmpdAgentTest, WrongCommunityReportsNothingAndReturnsAtTheTimeOut) {
  constexpr int kTimeoutMs = 1500;
  for (bool ipv6 : {false, true}) {
    if (ipv6 && !HasIpv6()) continue;
    const auto elapsed = Find(ipv6, "not-the-community", ipv6 ? "::1" : "127.0.0.1", kTimeoutMs);
    EXPECT_TRUE(found.empty());
    EXPECT_GE(elapsed, kTimeoutMs - 20) << ipv6;
    EXPECT_LT(elapsed, kTimeoutMs + 1000) << ipv6;
  }
}

TEST_F(SnmpdAgentTest, SnmpV3ReportsTheEngineIdTextAsTheName) {
  const auto start = std::chrono::steady_clock::now();
  library->findV3Agent(0, "127.0.0.1", "", 3, 30, 6000, 2, 0xFD000080u, parameter.c_str(), 0,
                       OnAgent, nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kPromptMs));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].address, "127.0.0.1");
  EXPECT_EQ(found[0].name, engine);

  if (!HasIpv6()) return;
  found.clear();
  library->findV3Agent(0, "", "::1", 3, 30, 6000, 2, 0xFD000080u, parameter.c_str(), 0, nullptr,
                       OnAgentV6);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].address, kLoopbackV6Hex);
  EXPECT_EQ(found[0].name, engine);
}

TEST_F(SnmpdAgentTest, TheSnmpV3CallOfASearchDoesNotReportAnAgentAgain) {
  for (int search = 0; search < 2; ++search) {
    found.clear();
    Find(false, "public", "127.0.0.1", kLongTimeoutMs);
    FindV3(parameter.c_str());
    ASSERT_EQ(found.size(), 1u) << "search " << search;
    EXPECT_EQ(found[0].name, sysName) << "the first report's name stands";
  }
}

TEST_F(SnmpdAgentTest, SearchesOnTwoThreadsNeitherClearNorHideEachOthersAgents) {
  const auto onAnotherThread = [](auto step) { std::thread(step).join(); };
  Find(false, "public", "127.0.0.1", kLongTimeoutMs);
  // Another thread's search starts (and finds nothing) ...
  onAnotherThread([&] { Find(false, "not-the-community", "127.0.0.1", 300); });
  // ... and this one still knows its agent, which that one has not reported.
  EXPECT_EQ(FindV3(parameter.c_str()), 0);
  onAnotherThread([&] { EXPECT_EQ(FindV3(parameter.c_str()), 1); });
  EXPECT_EQ(found.size(), 2u);
}

TEST_F(SnmpdAgentTest, SearchParameterKeepsUnknownKeysAndRefusesABadPort) {
  const std::string withOthers = "model=any; " + parameter + " ;colour";
  Find(false, "public", "127.0.0.1", kLongTimeoutMs, withOthers.c_str());
  EXPECT_EQ(found.size(), 1u);

  for (const char* bad : {"port=70000", "rate=0", "range=10.0.0.0/8", "printers=yes"}) {
    found.clear();
    const auto elapsed = Find(false, "public", "127.0.0.1", kLongTimeoutMs, bad);
    EXPECT_TRUE(found.empty()) << bad;
    EXPECT_EQ(result, -1) << bad;
    EXPECT_LT(elapsed, kPromptMs) << bad << ": nothing to wait for";
    EXPECT_EQ(FindV3(bad), -1) << bad;
  }

  // The agent has no hrDeviceType.1: it answers, so the one-host call
  // returns at once, but it is not a printer.
  found.clear();
  const std::string printers = parameter + ";printers=1";
  const auto elapsed = Find(false, "public", "127.0.0.1", kLongTimeoutMs, printers.c_str());
  EXPECT_TRUE(found.empty());
  EXPECT_EQ(result, 0);
  EXPECT_LT(elapsed, kPromptMs);
  // Engine discovery grants no access to ask: no agent is reported.
  EXPECT_EQ(FindV3(printers.c_str()), 0);
  EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace jobhost::testing
