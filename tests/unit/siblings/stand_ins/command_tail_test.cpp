#include "command_tail.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace jobhost::stand_in {
namespace {

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

}  // namespace
}  // namespace jobhost::stand_in
