#include "app/entry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fakes/test_platform.h"

namespace jobhost {
namespace {

using testing::TestPlatform;

struct EntryCase {
  const char* rule;
  std::optional<std::u16string> modulePath;
  std::vector<std::u16string> arguments;
  int exitCode;
  // The pipe the job service tried to create; none when it did not run.
  std::vector<std::u16string> pipesCreated;
};

TEST(RunJobHost, DerivesNamesAndChoosesTheMode) {
  const std::u16string program = u"C:\\Drivers\\vtlsvc.exe";
  const std::u16string vtlPipe = u"\\\\.\\pipe\\vtlxpsnamedpipe";
  const EntryCase cases[] = {
      {"UnreadableModulePathEndsAtOnce", std::nullopt, {program}, 1, {}},
      {"NoArgumentRunsJobService", program, {program}, 0, {vtlPipe}},
      {"ArgumentWithoutSlashRunsJobService", program, {program, u"hello"}, 0, {vtlPipe}},
      {"LowerCaseCommandRunsJobService", program, {program, u"3/abc/def/search/p"}, 0, {vtlPipe}},
      {"SecondArgumentIsIgnored",
       program,
       {program, u"hello", u"3/abc/def/Search/p"},
       0,
       {vtlPipe}},
      {"NameCaseKept",
       u"C:\\Drivers\\ABCDsvc.exe",
       {program},
       0,
       {u"\\\\.\\pipe\\ABCDxpsnamedpipe"}},
      // The seven characters are cut from the whole path.
      {"ShortFileNameReachesIntoDirectory",
       u"C:\\Drivers\\a.exe",
       {program},
       0,
       {u"\\\\.\\pipe\\Driverxpsnamedpipe"}},
      {"NoSeparatorTakesWholeRest", u"vtlsvc.exe", {program}, 0, {vtlPipe}},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(c.rule);
    TestPlatform fakes;
    fakes.modulePath.path = c.modulePath;
    // No pipe instance can be made, so the service ends at once.
    EXPECT_EQ(RunJobHost(c.arguments, fakes.platform), c.exitCode);
    EXPECT_EQ(fakes.pipes.namesAsked, c.pipesCreated);
    EXPECT_TRUE(fakes.settings.calls.empty());
  }
}

}  // namespace
}  // namespace jobhost
