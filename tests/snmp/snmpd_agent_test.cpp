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
      GTEST_SKIP() << "no agent: run this program through tests/snmp/run_with_snmpd.sh";
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

  void RequireIpv6() {
    if (Env("JOBHOST_SNMPD_IPV6") != "1") GTEST_SKIP() << "no IPv6 loopback on this machine";
  }

  template <typename Call>
  std::int64_t ElapsedMs(Call call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  }

  std::unique_ptr<DevprobeLibrary> library;
  std::string parameter;
  std::string sysName;
  std::string engine;
};

constexpr int kLongTimeoutMs = 5000;
// "Well before the time-out": an answer on loopback takes milliseconds.
constexpr int kPromptMs = 1000;

TEST_F(SnmpdAgentTest, Ipv4HostIsReportedWithItsSysNameAsSoonAsItAnswers) {
  for (const char* target : {"127.0.0.1", "localhost"}) {
    found.clear();
    const auto elapsed = ElapsedMs([&] {
      library->findAgent("public", 0, target, kLongTimeoutMs, parameter.c_str(), nullptr, OnAgent,
                         nullptr);
    });
    ASSERT_EQ(found.size(), 1u) << target;
    EXPECT_EQ(found[0].address, "127.0.0.1");
    EXPECT_EQ(found[0].name, sysName);
    EXPECT_TRUE(found[0].onCallingThread);
    EXPECT_LT(elapsed, kPromptMs) << target;
  }
}

TEST_F(SnmpdAgentTest, Ipv6HostIsReportedWithItsSysNameAsSoonAsItAnswers) {
  RequireIpv6();
  for (const char* target : {"::1", "[::1]"}) {
    found.clear();
    const auto elapsed = ElapsedMs([&] {
      library->findAgentV6("public", 0, target, kLongTimeoutMs, parameter.c_str(), nullptr,
                           OnAgentV6, nullptr);
    });
    ASSERT_EQ(found.size(), 1u) << target;
    EXPECT_EQ(found[0].address, kLoopbackV6Hex);
    EXPECT_EQ(found[0].name, sysName);
    EXPECT_TRUE(found[0].onCallingThread);
    EXPECT_LT(elapsed, kPromptMs) << target;
  }
}

TEST_F(SnmpdAgentTest, WrongCommunityReportsNothingAndReturnsAtTheTimeOut) {
  constexpr int kTimeoutMs = 1500;
  const auto v4 = ElapsedMs([&] {
    library->findAgent("not-the-community", 0, "127.0.0.1", kTimeoutMs, parameter.c_str(), nullptr,
                       OnAgent, nullptr);
  });
  EXPECT_TRUE(found.empty());
  EXPECT_GE(v4, kTimeoutMs - 20);
  EXPECT_LT(v4, kTimeoutMs + 1000);
  if (Env("JOBHOST_SNMPD_IPV6") != "1") return;
  const auto v6 = ElapsedMs([&] {
    library->findAgentV6("not-the-community", 0, "::1", kTimeoutMs, parameter.c_str(), nullptr,
                         OnAgentV6, nullptr);
  });
  EXPECT_TRUE(found.empty());
  EXPECT_GE(v6, kTimeoutMs - 20);
  EXPECT_LT(v6, kTimeoutMs + 1000);
}

TEST_F(SnmpdAgentTest, SnmpV3ReportsTheEngineIdTextAsTheName) {
  const auto v4 = ElapsedMs([&] {
    library->findV3Agent(0, "127.0.0.1", "", 3, 30, 6000, 2, 0xFD000080u, parameter.c_str(), 0,
                         OnAgent, nullptr);
  });
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].address, "127.0.0.1");
  EXPECT_EQ(found[0].name, engine);
  EXPECT_LT(v4, kPromptMs);

  if (Env("JOBHOST_SNMPD_IPV6") != "1") return;
  found.clear();
  library->findV3Agent(0, "", "::1", 3, 30, 6000, 2, 0xFD000080u, parameter.c_str(), 0, nullptr,
                       OnAgentV6);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].address, kLoopbackV6Hex);
  EXPECT_EQ(found[0].name, engine);
}

TEST_F(SnmpdAgentTest, SearchParameterKeepsUnknownKeysAndRefusesABadPort) {
  const std::string withOthers = "model=any; " + parameter + " ;colour";
  library->findAgent("public", 0, "127.0.0.1", kLongTimeoutMs, withOthers.c_str(), nullptr, OnAgent,
                     nullptr);
  EXPECT_EQ(found.size(), 1u);

  found.clear();
  std::int32_t result = 0;
  const auto elapsed = ElapsedMs([&] {
    result = library->findAgent("public", 0, "127.0.0.1", kLongTimeoutMs, "port=70000", nullptr,
                                OnAgent, nullptr);
  });
  EXPECT_TRUE(found.empty());
  EXPECT_EQ(result, -1);
  EXPECT_LT(elapsed, kPromptMs) << "nothing to wait for";
}

}  // namespace
}  // namespace jobhost::testing
