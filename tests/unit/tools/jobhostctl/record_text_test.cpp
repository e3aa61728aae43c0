#include "record_text.h"

#include <gtest/gtest.h>

namespace jobhost::ctl {
namespace {

std::string FieldBytes(const SearchSettings& record, std::size_t offset, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(record.bytes().data()) + offset, size);
}

TEST(JobhostCtlRecord, MakeWritesEveryFieldAtItsOffset) {
  RecordRecipe recipe;
  recipe.singleHost = true;
  recipe.useIpv6 = true;
  recipe.ipv4Target = "192.0.2.7";
  recipe.ipv6Target = "fe80::1";
  recipe.community = "private";
  recipe.agents = {{"192.0.2.1", "A"}, {"192.0.2.2", "B"}};
  SearchSettings record;
  ASSERT_EQ(BuildRecord(recipe, record), "");
  const auto& bytes = record.bytes();
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[4], 0);
  EXPECT_EQ(bytes[4404], 1);
  EXPECT_EQ(FieldBytes(record, 12, 10), std::string("192.0.2.7\0", 10));
  EXPECT_EQ(FieldBytes(record, 37, 8), std::string("fe80::1\0", 8));
  EXPECT_EQ(FieldBytes(record, 166, 8), std::string("private\0", 8));
  EXPECT_EQ(bytes[296], 2);
  EXPECT_EQ(FieldBytes(record, 304 + 128, 10), std::string("192.0.2.2\0", 10));
  EXPECT_EQ(FieldBytes(record, 304 + 128 + 80, 2), std::string("B\0", 2));
}

TEST(JobhostCtlRecord, TextsThatDoNotFitRejectTheRecordUntouched) {
  struct Case {
    const char* what;
    RecordRecipe recipe;
  };
  RecordRecipe base;
  std::vector<Case> cases(6, Case{"", base});
  cases[0] = {"IPv4 target of 25", base};
  cases[0].recipe.ipv4Target = std::string(25, '1');
  cases[1] = {"IPv6 target of 129", base};
  cases[1].recipe.ipv6Target = std::string(129, 'f');
  cases[2] = {"community of 129", base};
  cases[2].recipe.community = std::string(129, 'c');
  cases[3] = {"address of 80", base};
  cases[3].recipe.agents = {{std::string(80, 'a'), ""}};
  cases[4] = {"name of 48", base};
  cases[4].recipe.agents = {{"a", std::string(48, 'n')}};
  cases[5] = {"33 agents", base};
  cases[5].recipe.agents.assign(33, AgentLine{"a", "n"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SearchSettings record;
    record.setAgentCount(7);
    EXPECT_NE(BuildRecord(c.recipe, record), "");
    EXPECT_EQ(record.agentCount(), 7);
  }
  RecordRecipe longest = base;
  longest.ipv4Target = std::string(24, '1');
  longest.agents.assign(32, AgentLine{std::string(79, 'a'), std::string(47, 'n')});
  // The count may be stored apart from the agents, to make impossible records.
  longest.agentCount = 50;
  SearchSettings record;
  EXPECT_EQ(BuildRecord(longest, record), "");
  EXPECT_EQ(record.agentCount(), 50);
}

TEST(JobhostCtlRecord, AgentsFileTakesTabSeparatedLines) {
  std::vector<AgentLine> agents = ParseAgentsFile("192.0.2.1\tA\r\n\n192.0.2.2\n::1\tB\tC");
  ASSERT_EQ(agents.size(), 3u);
  EXPECT_EQ(agents[0].address, "192.0.2.1");
  EXPECT_EQ(agents[0].name, "A");
  EXPECT_EQ(agents[1].name, "");
  EXPECT_EQ(agents[2].name, "B\tC");
}

TEST(JobhostCtlRecord, ShowListsOnlyTheValidAgents) {
  const std::pair<std::int32_t, std::size_t> cases[] = {{2, 2}, {0, 0}, {-1, 0}, {50, 32}};
  for (const auto& [count, listed] : cases) {
    SCOPED_TRACE(count);
    SearchSettings record;
    record.setAgentCount(count);
    std::string json = RecordAsJson(record, 6472);
    std::size_t entries = 0;
    for (std::size_t at = json.find("{\"address\""); at != std::string::npos;
         at = json.find("{\"address\"", at + 1))
      ++entries;
    EXPECT_EQ(entries, listed);
    EXPECT_NE(json.find("\"agentCount\":" + std::to_string(count)), std::string::npos);
  }
}

TEST(JobhostCtlRecord, ShowReadsUnterminatedTargetsToTheFieldEnd) {
  std::vector<std::uint8_t> stored(100, 0);
  for (std::size_t i = 12; i < 37; ++i) stored[i] = '9';
  stored[37] = 0xE9;
  SearchSettings record = SearchSettings::FromStored(stored);
  std::string json = RecordAsJson(record, stored.size());
  EXPECT_NE(json.find("\"size\":100,"), std::string::npos);
  EXPECT_NE(json.find("\"ipv4Target\":\"" + std::string(25, '9') + "\","), std::string::npos);
  EXPECT_NE(json.find("\"ipv6Target\":\"\\u00e9\","), std::string::npos);
}

}  // namespace
}  // namespace jobhost::ctl
