#include <gtest/gtest.h>

#include "command_tail.h"
#include "discovery_script.h"
#include "log_text.h"
#include "port_table.h"
#include "sibling_files.h"

namespace jobhost::stand_in {
namespace {

TEST(StandInPortTable, KindsModifiersAndAddressesAreRead) {
  PortTable table = ParsePortTable(
      "# comment\r\nOffice\t3\t192.0.2.10\r\nTcp\t2\nBad\t3!\t198.51.100.1\n"
      "Full\t3~\tab\nBoth\t3!~\t\nNeg\t-7\nOffice\t1\n");
  EXPECT_TRUE(table.problems.empty());
  struct Expect {
    std::string printer;
    std::int32_t kind;
    std::string address;
    bool fails;
    bool unterminated;
  };
  const Expect expected[] = {
      {"Office", 3, "192.0.2.10", false, false},
      {"Tcp", 2, "", false, false},
      {"Bad", 3, "198.51.100.1", true, false},
      {"Full", 3, "ab", false, true},
      {"Both", 3, "", true, true},
      {"Neg", -7, "", false, false},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.printer);
    const PortEntry* entry = FindPort(table, e.printer);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->kind, e.kind);
    EXPECT_EQ(entry->address, e.address);
    EXPECT_EQ(entry->addressFails, e.fails);
    EXPECT_EQ(entry->unterminated, e.unterminated);
  }
  EXPECT_EQ(FindPort(table, "office"), nullptr);  // exact match only
}

TEST(StandInPortTable, MalformedLinesAreReportedNotGuessed) {
  PortTable table = ParsePortTable("NoKind\nP\tx\nP\t3\ta\tb\nP\t3?\nP\t\nGood\t1\n");
  EXPECT_EQ(table.problems.size(), 5u);
  ASSERT_EQ(table.entries.size(), 1u);
  EXPECT_EQ(table.entries[0].printer, "Good");
}

// The end-to-end search tests use the other line forms.
TEST(StandInDiscoveryScript, NullTextsAndMissingNamesAreRead) {
  DiscoveryScript script = ParseDiscoveryScript(
      "FindSnmpV3AgentEx2\tv4\t<null>\tX\n"
      "FindSnmpV3AgentEx2\tv6\tfe800000000000000000000000000001\n"
      "FindSnmpAgent\ta\t<null>\n");
  ASSERT_TRUE(script.problems.empty());
  ASSERT_EQ(script.agents.size(), 3u);
  EXPECT_EQ(script.agents[0].function, FindFunction::kFindV3);
  EXPECT_FALSE(script.agents[0].address.has_value());
  EXPECT_TRUE(script.agents[1].ipv6);
  EXPECT_EQ((*script.agents[1].address6)[0], 0xFE);
  EXPECT_EQ(script.agents[1].name, "");
  EXPECT_FALSE(script.agents[2].name.has_value());
}

TEST(StandInDiscoveryScript, MalformedLinesAreReportedNotGuessed) {
  DiscoveryScript script = ParseDiscoveryScript(
      "FindSnmpAgentV6\t::1\tV6\n"                               // not 32 hex digits
      "FindSnmpAgentV6\t0000000000000000000000000000000g\tV6\n"  // not hex
      "FindSnmpV3AgentEx2\t192.0.2.1\tX\n"                       // family missing
      "FindSnmpAgent\n"                                          // no address
      "FindSnmpAgent\ta\tb\tc\n"                                 // one field too many
      "findsnmpagent\ta\tb\n");
  EXPECT_EQ(script.problems.size(), 6u);
  EXPECT_TRUE(script.agents.empty());
}

TEST(StandInFiles, CommandTailIsWhatFollowsTheProgramName) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"\"C:\\a b\\vtljobconvert.exe\" a/b c/d", u"a/b c/d"},
      {u"C:\\vtljobconvert.exe  \t x \"y\"", u"x \"y\""},
      {u"\"C:\\vtlflipguide.exe\"", u""},
      {u"vtlflipguide.exe", u""},
      {u"\"unclosed a b", u""},
      {u"", u""},
  };
  for (const auto& [line, tail] : cases) EXPECT_EQ(CommandTail(line), tail);
}

TEST(StandInFiles, ScriptAndLogSitBesideTheFile) {
  EXPECT_EQ(ReplaceEnding("/t/vtlportlink.dll", ".dll", ".table"), "/t/vtlportlink.table");
  EXPECT_EQ(ReplaceEnding("C:\\t\\VTLPORTLINK.DLL", ".dll", ".log"), "C:\\t\\VTLPORTLINK.log");
  EXPECT_EQ(ReplaceEnding("/t/libx.so", ".dll", ".log"), "/t/libx.so.log");
}

TEST(StandInLog, QuotingKeepsEveryByteVisibleOnOneLine) {
  EXPECT_EQ(Quoted(static_cast<const char*>(nullptr), true), "null");
  EXPECT_EQ(Quoted("a\"b\\c\n", true), "\"a\\\"b\\\\c\\x0A\"");
  EXPECT_EQ(Quoted("\xC3\xA9", true), "\"\\xC3\\xA9\"");
  EXPECT_EQ(Quoted("\xC3\xA9", false), "\"\xC3\xA9\"");
}

}  // namespace
}  // namespace jobhost::stand_in
