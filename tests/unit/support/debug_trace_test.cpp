#include "support/debug_trace.h"

#include <gtest/gtest.h>

#include "fakes/fake_debug_output.h"

#include <string>
#include <vector>

namespace jobhost {
namespace {

using RecordingOutput = testing::FakeDebugOutput;

TEST(DebugTrace, SendsTheFormattedTextOnceWithNothingAdded) {
  RecordingOutput output;
  EXPECT_TRUE(DebugTrace(output, "GetPrinter() fail, GetLastError is %d", 5));
  ASSERT_EQ(output.texts.size(), 1u);
  EXPECT_EQ(output.texts[0], "GetPrinter() fail, GetLastError is 5");
}

TEST(DebugTrace, RetriesWithDoubledCapacityUntilTheTextFits) {
  RecordingOutput output;
  std::string text(3000, 'x');
  EXPECT_TRUE(DebugTrace(output, "%s", text.c_str()));
  ASSERT_EQ(output.texts.size(), 1u);
  EXPECT_EQ(output.texts[0], text);
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
