#include "search/agent_discovery.h"

#include <gtest/gtest.h>

#include "search/agent_table.h"
#include "search/search_test_support.h"

// Rows name only the settings they set; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace jobhost {
namespace {

using testing::kFamily;
using testing::kLibraryPath;
using testing::Report;
using testing::ScriptedDiscovery;
using testing::TestPlatform;
using Calls = std::vector<std::string>;

// Stores text raw, so a text may fill its field without a terminator.
void PutText(SearchSettings& settings, std::size_t offset, std::size_t size,
             const std::string& text) {
  auto field = settings.bytes().subspan(offset, size);
  std::ranges::fill(field, std::uint8_t{0});
  std::copy_n(text.begin(), std::min(size, text.size()), field.begin());
}

struct Settings {
  bool useIpv6 = false;
  bool singleHost = false;
  bool broadcastToTarget = false;
  std::string ipv4;
  std::string ipv6;
  std::string community;

  SearchSettings Record() const {
    SearchSettings record;
    record.setUseIpv6(useIpv6);
    record.setSingleHost(singleHost);
    record.setBroadcastToTarget(broadcastToTarget);
    PutText(record, settings_layout::kIpv4Target, settings_layout::kIpv4TargetSize, ipv4);
    PutText(record, settings_layout::kIpv6Target, settings_layout::kIpv6TargetSize, ipv6);
    PutText(record, settings_layout::kCommunity, settings_layout::kCommunitySize, community);
    return record;
  }
};

// One discovery run with the scripted library offering the given exports
// (nullptr: no library); the caller sets up ScriptedDiscovery.
SearchSettings Discover(const Settings& settings, const char* exports = "463") {
  TestPlatform fakes;
  if (exports != nullptr)
    fakes.libraries.Provide(kLibraryPath, ScriptedDiscovery::Exports(exports));
  SearchSettings record = settings.Record();
  DiscoverAgents(record, kFamily, u"p", fakes.platform, ScriptedDiscovery::table);
  EXPECT_EQ(fakes.libraries.open(), 0);
  return record;
}

std::string V4Call(const std::string& community, int broadcast, const std::string& target,
                   int timeout) {
  return "FindSnmpAgent(" + community + "," + std::to_string(broadcast) + "," + target + "," +
         std::to_string(timeout) + ",p,null,v4,null)";
}
std::string V6Call(const std::string& community, int broadcast, const std::string& target) {
  return "FindSnmpAgentV6(" + community + "," + std::to_string(broadcast) + "," + target +
         ",3000,p,null,v6,null)";
}
std::string V3Call(int broadcast, const std::string& ipv4, const std::string& ipv6) {
  bool overIpv6 = ipv4.empty();  // every IPv4 case has a target
  return "FindSnmpV3AgentEx2(" + std::to_string(broadcast) + "," + ipv4 + "," + ipv6 +
         ",3,30,6000,2,4244635776,p,0," + (overIpv6 ? "null,v6)" : "v4,null)");
}

TEST(DiscoverAgents, FindCallsFollowTheSettings) {
  const std::string all = "255.255.255.255";
  const std::string long128(128, 'c'), long129(129, 'c');
  const std::string ipv4Unterminated = "192.0.2.10" + std::string(15, '0');
  const struct {
    const char* name;
    Settings settings;
    Calls calls;
  } cases[] = {
      {"IPv4 host by address",
       {.singleHost = true, .broadcastToTarget = true, .ipv4 = "192.0.2.7", .community = "pub"},
       {V4Call("pub", 0, "192.0.2.7", 3000), V3Call(0, "192.0.2.7", "")}},
      {"IPv4 host by name",
       {.singleHost = true, .ipv4 = "PRN01", .community = "pub"},
       {V4Call("pub", 1, all, 6000), V3Call(1, all, "")}},
      {"IPv4 host name with a dot is queried directly",
       {.singleHost = true, .ipv4 = "prn.lan"},
       {V4Call("public", 0, "prn.lan", 3000), V3Call(0, "prn.lan", "")}},
      {"IPv4 empty host is a name",
       {.singleHost = true},
       {V4Call("public", 1, all, 6000), V3Call(1, all, "")}},
      {"IPv4 given target",
       {.broadcastToTarget = true, .ipv4 = "192.0.2.255", .ipv6 = "fe80::1"},
       {V4Call("public", 1, "192.0.2.255", 3000), V3Call(1, "192.0.2.255", "")}},
      {"IPv4 unterminated target ends with its field",
       {.broadcastToTarget = true, .ipv4 = ipv4Unterminated},
       {V4Call("public", 1, ipv4Unterminated, 3000), V3Call(1, ipv4Unterminated, "")}},
      {"IPv4 default",
       {.ipv4 = "192.0.2.7", .ipv6 = "ff02::1"},
       {V4Call("public", 1, all, 3000), V3Call(1, all, "")}},
      {"IPv6 host, community cut to its field",
       {true, true, true, "192.0.2.7", "2001:db8::7", long129},
       {V6Call(long128, 0, "2001:db8::7"), V3Call(0, "", "2001:db8::7")}},
      {"IPv6 given target",
       {.useIpv6 = true, .broadcastToTarget = true, .ipv4 = "192.0.2.7", .ipv6 = "ff02::1"},
       {V6Call("public", 1, "ff02::1"), V3Call(1, "", "ff02::1")}},
      {"IPv6 default",
       {.useIpv6 = true, .ipv4 = "192.0.2.7", .ipv6 = "ff02::1"},
       {V6Call("public", 1, ""), V3Call(1, "", "")}},
  };
  for (const auto& c : cases) {
    ScriptedDiscovery::Reset();
    Discover(c.settings);
    EXPECT_EQ(ScriptedDiscovery::log, c.calls) << c.name;
    EXPECT_EQ(DiscoveryStatus(ScriptedDiscovery::table), kNoAgentsFound) << c.name;
  }
}

TEST(DiscoverAgents, NameSearchKeepsTheFirstAgentOfThatName) {
  const struct {
    std::string target;
    std::vector<Report> first, v3;
    std::vector<std::string> remaining;  // addresses left in the table
  } cases[] = {
      {"PRN01", {{"a", "X"}, {"b", "PRN01"}}, {{"c", "PRN01"}}, {"b"}},
      {"PRN01", {{"a", "X"}}, {{"c", "prn01"}}, {"a", "c"}},
      {"", {{"a", "X"}, {"b", ""}}, {}, {"b"}},
      {"PRN01", {}, {}, {}},
  };
  for (const auto& c : cases) {
    ScriptedDiscovery::Reset();
    ScriptedDiscovery::firstReports = c.first;
    ScriptedDiscovery::v3Reports = c.v3;
    Discover({.singleHost = true, .ipv4 = c.target});
    std::vector<std::string> remaining;
    for (int i = 0; i < AgentTableCount(ScriptedDiscovery::table); ++i)
      remaining.push_back(AgentAddress(AgentTableEntry(ScriptedDiscovery::table, i)));
    EXPECT_EQ(remaining, c.remaining) << c.target;
  }
}

TEST(DiscoverAgents, Ipv4EntriesReachTheRecordZeroPadded) {
  ScriptedDiscovery::Reset();
  // An earlier report left long texts in the slots.
  {
    ReportsGoTo reports(ScriptedDiscovery::table);
    OnSnmpAgentFound(std::string(79, 'x').c_str(), std::string(47, 'y').c_str());
  }
  ScriptedDiscovery::firstReports = {{"b", "n"}};
  SearchSettings record = Discover({});
  std::array<std::uint8_t, kAgentEntrySize> expected{};
  expected[0] = 'b';
  expected[kAgentNameOffset] = 'n';
  EXPECT_EQ(DiscoveryStatus(ScriptedDiscovery::table), kAgentsMerged);
  EXPECT_TRUE(std::ranges::equal(record.agent(0), expected));
}

TEST(DiscoverAgents, MissingLibraryOrExportsMakeOnlyTheCallsTheyCan) {
  const std::vector<Report> one = {{std::string(16, '\1'), "n"}};
  const struct {
    const char* exports;  // nullptr: no library
    bool useIpv6;
    Calls calls;  // any call finds the one agent
  } cases[] = {
      {nullptr, false, {}},
      {"63", false, {}},
      {"43", true, {}},
      {"46", false, {V4Call("public", 1, "255.255.255.255", 3000)}},
      {"46", true, {V6Call("public", 1, "")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exports ? c.exports : "no library");
    ScriptedDiscovery::Reset();
    ScriptedDiscovery::firstReports = one;
    ScriptedDiscovery::v3Reports = one;
    // A loaded library starts the count afresh.
    if (c.exports != nullptr) {
      ReportsGoTo reports(ScriptedDiscovery::table);
      OnSnmpAgentFound("stale", "n");
    }
    SearchSettings record = Discover({.useIpv6 = c.useIpv6}, c.exports);
    EXPECT_EQ(ScriptedDiscovery::log, c.calls);
    EXPECT_EQ(DiscoveryStatus(ScriptedDiscovery::table),
              c.calls.empty() ? kNoAgentsFound : kAgentsMerged);
    EXPECT_EQ(record.agentCount(), c.calls.empty() ? 0 : 1);
  }
}

TEST(DiscoverAgents, LibraryPathThatDoesNotFitIsNotLoaded) {
  ScriptedDiscovery::Reset();
  TestPlatform fakes;
  SearchSettings record;
  Family family = DeriveFamily(u"C:\\" + std::u16string(250, u'd') + u"\\vtlsvc.exe");
  DiscoverAgents(record, family, u"p", fakes.platform, ScriptedDiscovery::table);
  EXPECT_TRUE(fakes.libraries.loadAttempts.empty());
  EXPECT_EQ(DiscoveryStatus(ScriptedDiscovery::table), kNoAgentsFound);
}

}  // namespace
}  // namespace jobhost
