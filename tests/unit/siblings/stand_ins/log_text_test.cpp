#include "log_text.h"

#include <gtest/gtest.h>

namespace jobhost::stand_in {
namespace {

TEST(StandInLog, QuotingKeepsEveryByteVisibleOnOneLine) {
  EXPECT_EQ(Quoted(static_cast<const char*>(nullptr), true), "null");
  EXPECT_EQ(Quoted("a\"b\\c\n", true), "\"a\\\"b\\\\c\\x0A\"");
  EXPECT_EQ(Quoted("\xC3\xA9", true), "\"\\xC3\\xA9\"");
  EXPECT_EQ(Quoted("\xC3\xA9", false), "\"\xC3\xA9\"");
}

}  // namespace
}  // namespace jobhost::stand_in
