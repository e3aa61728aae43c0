#include "platform/win32/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "platform/win32/win32_test_support.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

using namespace std::chrono_literals;

// Built beside the test program (see the test CMake setup).
constexpr char16_t kChildImage[] = u"jobhost_win32_test_child.exe";

std::u16string ChildPath() {
  const std::wstring directory = testing::ProgramDirectory();
  return std::u16string(directory.begin(), directory.end()) + kChildImage;
}

bool ChildListed(Win32Processes& processes) {
  const auto names = processes.ImageNames();
  return names && std::count(names->begin(), names->end(), kChildImage) > 0;
}

// Polls condition for up to limit.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 15s) {
  for (testing::Stopwatch stopwatch; stopwatch.Elapsed() < limit;) {
    if (condition()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

class Win32ProcessesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    processes_.StopByImageName(kChildImage);
    Eventually([&] { return !ChildListed(processes_); });
  }

  Win32Processes processes_;
};

TEST_F(Win32ProcessesTest, ParametersReachTheProgramAndItsEndIsSeen) {
  // The child sleeps for its parameter's milliseconds, or a minute without one.
  auto child = processes_.Launch(ChildPath(), u"200");
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(Eventually([&] { return child->HasEnded(); }, 10s));
}

TEST_F(Win32ProcessesTest, ConsoleProgramGetsNoConsoleOfItsOwn) {
  // A console of its own is what a default terminal application may show.
  wchar_t directory[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, directory);
  const std::u16string report = FromWide(directory) + testing::UniqueName(u"console-");
  auto child = processes_.Launch(ChildPath(), u"0 \"" + report + u"\"");
  ASSERT_NE(child, nullptr);
  ASSERT_TRUE(Eventually([&] { return child->HasEnded(); }));
  std::ifstream in(testing::Wide(report).c_str());
  int sharing = -1;
  in >> sharing;
  // None when this program has no console, two or more when it is shared.
  EXPECT_NE(sharing, 1);
  EXPECT_NE(sharing, -1);
  in.close();
  ::DeleteFileW(testing::Wide(report).c_str());
}

TEST_F(Win32ProcessesTest, RunningProgramIsListedUntilStopped) {
  auto child = processes_.Launch(ChildPath(), std::nullopt);
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(Eventually([&] { return ChildListed(processes_); }));
  EXPECT_FALSE(child->HasEnded());

  processes_.StopByImageName(kChildImage);
  EXPECT_TRUE(Eventually([&] { return child->HasEnded(); }));
  EXPECT_TRUE(Eventually([&] { return !ChildListed(processes_); }));
}

TEST_F(Win32ProcessesTest, MissingFileIsNotStarted) {
  testing::Stopwatch stopwatch;
  EXPECT_EQ(processes_.Launch(testing::UniqueName(u"C:\\jobhost\\missing-") + u".exe", u"a/b/c"),
            nullptr);
  // No error dialog waits for someone to dismiss it.
  EXPECT_LT(stopwatch.Elapsed(), 10s);
}

TEST_F(Win32ProcessesTest, ProcessListHoldsImageNamesWithoutPaths) {
  const auto names = processes_.ImageNames();
  ASSERT_TRUE(names.has_value());
  EXPECT_TRUE(std::count(names->begin(), names->end(), u"jobhost_unit_tests.exe") > 0);
  for (const std::u16string& name : *names) EXPECT_EQ(name.find(u'\\'), std::u16string::npos);
}

}  // namespace
}  // namespace jobhost::win32
