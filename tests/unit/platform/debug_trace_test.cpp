#include "platform/debug_trace.h"

#include <gtest/gtest.h>

#include "fakes/fake_debug_output.h"

#include <string>
#include <vector>

namespace jobhost {
namespace {

using RecordingOutput = testing::FakeDebugOutput;

TEST(DebugTrace, SendsTheFormattedTextOnceWithNothingAdded) {
  // The second text needs the capacity doubled more than once.
  const std::string texts[] = {"GetPrinter() fail, GetLastError is 5", std::string(3000, 'x')};
  for (const std::string& text : texts) {
    RecordingOutput output;
    EXPECT_TRUE(DebugTrace(output, "%s", text.c_str()));
    EXPECT_EQ(output.texts, std::vector<std::string>{text});
  }
  RecordingOutput output;
  EXPECT_TRUE(DebugTrace(output, "GetPrinter() fail, GetLastError is %d", 5));
  EXPECT_EQ(output.texts, std::vector<std::string>{"GetPrinter() fail, GetLastError is 5"});
}

TEST(DebugTrace, GivesUpAfterTenAttemptsWithTheFirst524288Characters) {
  RecordingOutput output;
  std::string text(524288 + 10, 'y');
  EXPECT_FALSE(DebugTrace(output, "%s", text.c_str()));
  ASSERT_EQ(output.texts.size(), 1u);
  EXPECT_EQ(output.texts[0].size(), 524288u);
}

TEST(DebugTrace, NoFormatSendsNothing) {
  RecordingOutput output;
  EXPECT_FALSE(DebugTrace(output, nullptr));
  EXPECT_TRUE(output.texts.empty());
}

}  // namespace
}  // namespace jobhost
