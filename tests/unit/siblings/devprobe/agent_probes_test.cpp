#include "agent_probes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "test_messages.h"

namespace jobhost::devprobe {
namespace {

using namespace testing_messages;

// The name of a wanted answer; nullopt for no answer or an unwanted one.
std::optional<std::string> WantedName(const std::optional<AgentAnswer>& answer) {
  if (!answer || !answer->wanted) return std::nullopt;
  return answer->name;
}

TEST(AgentProbes, AnswersMustCarryTheIdentifierOfTheirOwnRequest) {
  const SysNameProbe probe("public", 1001, 1002);
  const Bytes name = EncodeOctetString("p");
  EXPECT_EQ(WantedName(probe.MatchAnswer(SysNameAnswer(1, 1001, name))), "p") << "v2c answer";
  EXPECT_EQ(WantedName(probe.MatchAnswer(SysNameAnswer(0, 1002, name))), "p") << "v1 answer";
  EXPECT_FALSE(WantedName(probe.MatchAnswer(SysNameAnswer(0, 1001, name)))) << "v1 with the v2c id";
  EXPECT_FALSE(WantedName(probe.MatchAnswer(SysNameAnswer(1, 1003, name)))) << "unknown id";

  // Asked for printers only, an answer counts when hrDeviceType.1 says so.
  const SysNameProbe printers("public", 1001, 1002, true);
  const Bytes printer = EncodeObjectId({1, 3, 6, 1, 2, 1, 25, 3, 1, 5});
  const Bytes other = EncodeObjectId({1, 3, 6, 1, 2, 1, 25, 3, 1, 3});
  EXPECT_EQ(WantedName(printers.MatchAnswer(SysNameAnswer(1, 1001, name, 0, printer))), "p");
  EXPECT_FALSE(WantedName(printers.MatchAnswer(SysNameAnswer(1, 1001, name, 0, other))))
      << "a processor";
  EXPECT_TRUE(printers.MatchAnswer(SysNameAnswer(1, 1001, name, 0, other)))
      << "still an answer: it ends a one-host wait";
  EXPECT_FALSE(WantedName(printers.MatchAnswer(SysNameAnswer(1, 1001, name)))) << "no device type";
  EXPECT_FALSE(
      WantedName(printers.MatchAnswer(SysNameAnswer(1, 1001, name, 0, EncodeElement(0x81, {})))))
      << "noSuchInstance";

  const EngineIdProbe engineProbe(5005, 6006);
  EXPECT_EQ(WantedName(engineProbe.MatchAnswer(EngineAnswer(5005, kTextEngine))), "engine-7");
  EXPECT_FALSE(WantedName(engineProbe.MatchAnswer(EngineAnswer(5006, kTextEngine))));
  EXPECT_FALSE(WantedName(engineProbe.MatchAnswer(SysNameAnswer(1, 5005, name))));
}

TEST(AgentProbes, RequestIdentifiersArePositiveAndVary) {
  std::int32_t first = NewRequestId();
  bool varied = false;
  for (int i = 0; i < 8; ++i) {
    const std::int32_t next = NewRequestId();
    EXPECT_GT(next, 0);
    varied = varied || next != first;
  }
  EXPECT_TRUE(varied);
}

}  // namespace
}  // namespace jobhost::devprobe
