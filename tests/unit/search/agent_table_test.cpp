#include "search/agent_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace jobhost {
namespace {

using Agents = std::vector<std::pair<std::string, std::string>>;

AgentTable table;

std::int32_t ReportAgent(const char* address, const char* name) {
  ReportsGoTo reports(table);
  return OnSnmpAgentFound(address, name);
}

std::int32_t ReportV6(const void* record, const char* name) {
  ReportsGoTo reports(table);
  return OnSnmpAgentFoundV6(record, nullptr, name);
}

void StartRun(const Agents& reports) {
  ResetAgentTable(table);
  ClearAgentTable(table);
  for (const auto& [address, name] : reports)
    EXPECT_EQ(ReportAgent(address.c_str(), name.c_str()), 1);
}

Agents TableAgents() {
  Agents agents;
  for (int i = 0; i < AgentTableCount(table); ++i) {
    auto entry = AgentTableEntry(table, i);
    agents.emplace_back(AgentAddress(entry), AgentName(entry));
  }
  return agents;
}

// A record whose every byte differs from its neighbours', holding 10 agents.
SearchSettings PatternedRecord() {
  SearchSettings settings;
  for (std::size_t i = 0; i < kSearchSettingsSize; ++i)
    settings.bytes()[i] = static_cast<std::uint8_t>(i * 7 + 1);
  settings.setAgentCount(10);
  return settings;
}

TEST(MergeAgentTable, KeepsEachAddressOnceWithItsLastReport) {
  StartRun({{"A", "P"}, {"B", "Q"}, {"A", "R"}, {"C", "S"}, {"c", "T"}});
  SearchSettings before = PatternedRecord();
  SearchSettings settings = before;
  MergeAgentTable(table, settings);

  EXPECT_EQ(DiscoveryStatus(table), kAgentsMerged);
  EXPECT_EQ(AgentTableCount(table), 5);
  ASSERT_EQ(settings.agentCount(), 4);
  Agents merged;
  for (int i = 0; i < 4; ++i)
    merged.emplace_back(AgentAddress(settings.agent(i)), AgentName(settings.agent(i)));
  EXPECT_EQ(merged, (Agents{{"B", "Q"}, {"A", "R"}, {"C", "S"}, {"c", "T"}}));
  // The merged entries are copied whole, zero bytes included.
  auto entry = AgentTableEntry(table, 1);
  EXPECT_TRUE(std::equal(entry.begin(), entry.end(), settings.agent(0).begin()));
  // Every byte outside agentCount and the four new entries is as it was.
  std::size_t newAgentsEnd = settings_layout::kAgents + 4 * kAgentEntrySize;
  for (std::size_t i = 0; i < kSearchSettingsSize; ++i) {
    bool owned = (i >= settings_layout::kAgentCount && i < settings_layout::kAgentCount + 4) ||
                 (i >= settings_layout::kAgents && i < newAgentsEnd);
    if (!owned) {
      ASSERT_EQ(settings.bytes()[i], before.bytes()[i]) << "offset " << i;
    }
  }
}

TEST(MergeAgentTable, EmptyTableLeavesTheRecordUntouched) {
  StartRun({});
  SearchSettings before = PatternedRecord();
  SearchSettings settings = before;
  MergeAgentTable(table, settings);
  EXPECT_EQ(DiscoveryStatus(table), kNoAgentsFound);
  EXPECT_TRUE(std::ranges::equal(settings.bytes(), before.bytes()));
}

TEST(AgentTable, HoldsThirtyTwoReportsAndDropsTheRest) {
  Agents reports;
  for (int i = 0; i < 33; ++i) reports.emplace_back("10.0.0." + std::to_string(i), "n");
  StartRun(reports);
  const std::uint8_t record[kAgentAddressRecordSize] = {};
  EXPECT_EQ(ReportV6(record, "v6"), 1);
  EXPECT_EQ(AgentTableCount(table), 32);
  EXPECT_EQ(TableAgents().back(), (std::pair<std::string, std::string>("10.0.0.31", "n")));
}

TEST(AgentTable, CutsTextsToTheirFields) {
  const struct {
    std::size_t addressLength, nameLength, storedAddress, storedName;
  } cases[] = {{100, 47, 79, 47}, {79, 48, 79, 47}, {0, 0, 0, 0}};
  for (const auto& c : cases) {
    StartRun({{std::string(c.addressLength, 'a'), std::string(c.nameLength, 'n')}});
    EXPECT_EQ(TableAgents(),
              (Agents{{std::string(c.storedAddress, 'a'), std::string(c.storedName, 'n')}}));
  }
}

TEST(AgentTable, IgnoresReportsWithoutTextRecordOrLibraryCall) {
  StartRun({});
  const std::uint8_t record[kAgentAddressRecordSize] = {};
  EXPECT_EQ(ReportAgent(nullptr, "n"), 1);
  EXPECT_EQ(ReportAgent("a", nullptr), 1);
  EXPECT_EQ(ReportV6(nullptr, "n"), 1);
  EXPECT_EQ(ReportV6(record, nullptr), 1);
  // Outside a library call no table takes reports.
  EXPECT_EQ(OnSnmpAgentFound("a", "n"), 1);
  EXPECT_EQ(OnSnmpAgentFoundV6(record, nullptr, "n"), 1);
  EXPECT_EQ(AgentTableCount(table), 0);
}

TEST(AgentTable, Ipv6ReportClearsItsSlotAndStoresTheAddressText) {
  StartRun({{std::string(79, 'a'), std::string(47, 'n')}});
  ResetAgentTable(table);
  std::uint8_t record[kAgentAddressRecordSize] = {};
  record[15] = 1;
  record[16] = 0xEE;  // beyond the address: not part of it
  EXPECT_EQ(ReportV6(record, "lo"), 1);
  auto entry = AgentTableEntry(table, 0);
  std::array<std::uint8_t, kAgentEntrySize> expected{};
  std::string text = "::0001";
  std::copy(text.begin(), text.end(), expected.begin());
  expected[kAgentNameOffset] = 'l';
  expected[kAgentNameOffset + 1] = 'o';
  EXPECT_EQ(entry, expected);
}

TEST(KeepOnlyAgent, MovesTheChosenEntryToTheFront) {
  const struct {
    int index;
    Agents remaining;
  } cases[] = {
      {2, {{"c", "3"}}},
      {0, {{"a", "1"}}},
      {3, {{"a", "1"}, {"b", "2"}, {"c", "3"}}},  // outside the table: nothing changes
  };
  for (const auto& c : cases) {
    StartRun({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    KeepOnlyAgent(table, c.index);
    EXPECT_EQ(TableAgents(), c.remaining) << c.index;
  }
}

}  // namespace
}  // namespace jobhost
