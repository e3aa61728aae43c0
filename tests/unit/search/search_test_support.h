#pragma once
// What the search tests share: the family's names, and a scripted discovery
// library that logs every argument of every find call and reports the agents
// it is given.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "abi/discovery_abi.h"
#include "fakes/test_family.h"
#include "fakes/test_platform.h"
#include "family/family.h"
#include "search/agent_table.h"

namespace jobhost::testing {

inline const std::u16string kLibraryPath = u"C:\\Drivers\\vtldevprobe.dll";

// One agent report; over IPv6 address holds the 16 address bytes.
struct Report {
  std::string address;
  std::string name;
};

struct ScriptedDiscovery {
  static inline std::vector<std::string> log;
  static inline std::vector<Report> firstReports;
  static inline std::vector<Report> v3Reports;
  // The table of the run under test.
  static inline AgentTable table;

  static void Reset() {
    log.clear();
    firstReports.clear();
    v3Reports.clear();
    ResetAgentTable(table);
    ClearAgentTable(table);
    table.discoveryStatus = 0;
  }

  // The exports named in which: '4' IPv4 find, '6' IPv6 find, '3' SNMPv3 find.
  static FakeLibraries::Exports Exports(std::string_view which = "463") {
    FakeLibraries::Exports exports;
    if (which.find('4') != which.npos) exports[kFindAgentExport] = ExportOf(&FindV4);
    if (which.find('6') != which.npos) exports[kFindAgentV6Export] = ExportOf(&FindV6);
    if (which.find('3') != which.npos) exports[kFindV3AgentExport] = ExportOf(&FindV3);
    return exports;
  }

  static std::int32_t JOBHOST_WINAPI FindV4(const char* community, std::int32_t broadcast,
                                            const char* target, std::int32_t timeoutMs,
                                            const char* parameter, void* reserved1,
                                            AgentFoundCallback callback, void* reserved2) {
    Log("FindSnmpAgent", community, broadcast, target, timeoutMs, parameter, reserved1, callback,
        reserved2);
    ReportAll(firstReports, callback, nullptr);
    return 0;
  }

  static std::int32_t JOBHOST_WINAPI FindV6(const char* community, std::int32_t broadcast,
                                            const char* target, std::int32_t timeoutMs,
                                            const char* parameter, void* reserved1,
                                            AgentFoundV6Callback callback, void* reserved2) {
    Log("FindSnmpAgentV6", community, broadcast, target, timeoutMs, parameter, reserved1, callback,
        reserved2);
    ReportAll(firstReports, nullptr, callback);
    return 0;
  }

  static std::int32_t JOBHOST_WINAPI FindV3(std::int32_t broadcast, const char* ipv4Target,
                                            const char* ipv6Target, std::int32_t a4,
                                            std::int32_t a5, std::int32_t timeoutMs,
                                            std::int32_t retries, std::uint32_t a8,
                                            const char* parameter, std::int32_t a10,
                                            AgentFoundCallback callbackV4,
                                            AgentFoundV6Callback callbackV6) {
    Log("FindSnmpV3AgentEx2", broadcast, ipv4Target, ipv6Target, a4, a5, timeoutMs, retries, a8,
        parameter, a10, callbackV4, callbackV6);
    ReportAll(v3Reports, callbackV4, callbackV6);
    return 0;
  }

 private:
  // Each argument as the log shows it: null pointers stand out.
  static std::string Show(std::int32_t value) { return std::to_string(value); }
  static std::string Show(std::uint32_t value) { return std::to_string(value); }
  static std::string Show(const char* text) { return text == nullptr ? "<null>" : text; }
  static std::string Show(void* reserved) { return reserved == nullptr ? "null" : "set"; }
  static std::string Show(AgentFoundCallback callback) {
    return callback == nullptr ? "null" : callback == &OnSnmpAgentFound ? "v4" : "other";
  }
  static std::string Show(AgentFoundV6Callback callback) {
    return callback == nullptr ? "null" : callback == &OnSnmpAgentFoundV6 ? "v6" : "other";
  }
  template <typename... Arguments>
  static void Log(const char* function, Arguments... arguments) {
    std::string shown;
    const char* separator = "";
    ((shown += separator + Show(arguments), separator = ","), ...);
    log.push_back(std::string(function) + "(" + shown + ")");
  }
  static void ReportAll(const std::vector<Report>& reports, AgentFoundCallback v4,
                        AgentFoundV6Callback v6) {
    for (const Report& report : reports) {
      if (v4 != nullptr) {
        EXPECT_EQ(v4(report.address.c_str(), report.name.c_str()), 1);
      }
      if (v6 != nullptr) {
        std::array<std::uint8_t, kAgentAddressRecordSize> record{};
        std::memcpy(record.data(), report.address.data(),
                    std::min<std::size_t>(16, report.address.size()));
        EXPECT_EQ(v6(record.data(), nullptr, report.name.c_str()), 1);
      }
    }
  }
};

}  // namespace jobhost::testing
