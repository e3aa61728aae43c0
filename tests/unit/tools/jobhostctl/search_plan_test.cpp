#include "search_plan.h"

#include <gtest/gtest.h>

#include <tuple>

namespace jobhost::ctl {
namespace {

std::string Plan(std::vector<std::string> arguments, SearchPlan& plan) {
  ParsedArguments parsed = ParseArguments(arguments, kSearchOptions);
  if (!parsed.error.empty()) return parsed.error;
  return MakeSearchPlan(parsed, plan);
}

TEST(JobhostCtlSearchPlan, UnusableOptionsAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"127.0.0.1"},  // no positional arguments
      {"--host", "a", "--broadcast-to", "b"},
      {"--host", ""},
      {"--host", "fe80::1"},             // IPv6 without --ipv6
      {"--ipv6", "--host", "printer"},   // names are searched over IPv4
      {"--host", std::string(25, '1')},  // does not fit the record
      {"--community", std::string(129, 'c')},
      {"--parameter", std::string(260, 'p')},  // would reach the program cut
      {"--program", ""},
      {"--key", "HKCU\\Software\\A\\B\\Vantorel\\PrinterUI"},
      {"--key", "HKCU\\Software\\A/x\\B\\Vantorel\\PrinterUI\\Search"},  // "/" splits the command
      {"--key", "HKLM\\Software\\A\\B\\Vantorel\\PrinterUI\\Search"},
      {"--key", "HKCU\\Software\\\\B\\Vantorel\\PrinterUI\\Search"},
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    SearchPlan plan;
    EXPECT_NE(Plan(arguments, plan), "");
  }
}

TEST(JobhostCtlSearchPlan, KindOfSearchSetsTheRecordAndTheExpectedTime) {
  struct Case {
    std::vector<std::string> arguments;
    // singleHost, broadcastToTarget, useIpv6, ipv4Target, ipv6Target, expected seconds
    std::tuple<bool, bool, bool, std::string, std::string, long long> expected;
  };
  const Case cases[] = {
      {{}, {false, false, false, "", "", 9}},
      {{"--broadcast-to", "192.0.2.255"}, {false, true, false, "192.0.2.255", "", 9}},
      {{"--host", "192.0.2.7"}, {true, false, false, "192.0.2.7", "", 9}},
      {{"--host", "office-laser"}, {true, false, false, "office-laser", "", 12}},
      {{"--ipv6", "--host", "fe80::1%2"}, {true, false, true, "", "fe80::1%2", 9}},
      {{"--ipv6", "--broadcast-to", "ff02::1"}, {false, true, true, "", "ff02::1", 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    SearchPlan plan;
    ASSERT_EQ(Plan(c.arguments, plan), "");
    const auto& r = plan.recipe;
    EXPECT_EQ(std::tuple(r.singleHost, r.broadcastToTarget, r.useIpv6, r.ipv4Target, r.ipv6Target,
                         ExpectedSearchTime(r).count()),
              c.expected);
  }
}

TEST(JobhostCtlSearchPlan, KeyNamesMakeTheProgramsArgument) {
  SearchPlan plan;
  ASSERT_EQ(Plan({"--key", "hkcu\\software\\Acme\\Bür\\vantorel\\PrinterUI\\Search", "--parameter",
                  "port=1161"},
                 plan),
            "");
  ASSERT_TRUE(plan.key.has_value());
  // The length counts UTF-16 units, not bytes.
  EXPECT_EQ(SearchCommandArgument(*plan.key, plan.parameter), "3/Bür/Acme/Search/port=1161");
  EXPECT_EQ(SearchKeyPath(*plan.key), "Software\\Acme\\Bür\\Vantorel\\PrinterUI\\Search");
  EXPECT_EQ(PathBeside("C:\\tools\\jobhostctl.exe", "vtlsvc.exe"), "C:\\tools\\vtlsvc.exe");
  EXPECT_EQ(PathBeside("jobhostctl", "vtlsvc.exe"), "vtlsvc.exe");
  EXPECT_EQ(DefaultProgramPaths("/usr/bin/jobhostctl", "vtlsvc.exe")[1],
            "/usr/bin/../lib/jobhost/vtlsvc.exe");
}

TEST(JobhostCtlSearchPlan, WindowsArgumentsSurviveTheirParser) {
  const std::pair<std::string, std::string> cases[] = {
      {"6/Office/Acme/Search/port=1", "6/Office/Acme/Search/port=1"},
      {"", "\"\""},
      {"a b", "\"a b\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\a b\\", "\"C:\\a b\\\\\""},  // a trailing backslash must not escape the quote
      {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},
  };
  for (const auto& [argument, quoted] : cases) EXPECT_EQ(QuoteWindowsArgument(argument), quoted);
}

TEST(JobhostCtlSearchPlan, FindingsShowTheValidAgentsAsTableAndJson) {
  SearchSettings record;
  RecordRecipe recipe;
  recipe.agents = {{"192.0.2.10", "Office\x1b[2J"}, {"192.0.2.200", "Hall"}, {"unused", "x"}};
  recipe.agentCount = 2;
  ASSERT_EQ(BuildRecord(recipe, record), "");
  EXPECT_EQ(FoundAsTable(record, 2),
            "address      name\n"
            "192.0.2.10   Office?[2J\n"
            "192.0.2.200  Hall\n"
            "TotalPrinters: 2\n");
  EXPECT_EQ(FoundAsJson(record, 2),
            "{\"printers\":[{\"address\":\"192.0.2.10\",\"name\":\"Office\\u001b[2J\"},"
            "{\"address\":\"192.0.2.200\",\"name\":\"Hall\"}],\"totalPrinters\":2}");
  record.setAgentCount(-1);
  EXPECT_EQ(FoundAsJson(record, 0), "{\"printers\":[],\"totalPrinters\":0}");
}

}  // namespace
}  // namespace jobhost::ctl
