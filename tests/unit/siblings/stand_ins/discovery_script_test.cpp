#include "discovery_script.h"

#include <gtest/gtest.h>

namespace jobhost::stand_in {
namespace {

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

}  // namespace
}  // namespace jobhost::stand_in
