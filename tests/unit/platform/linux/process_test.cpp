#include "platform/linux/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/linux/linux_test_support.h"
#include "platform/linux/process_table.h"
#include "support/utf.h"
#include "system/linux/read_link.h"
#include "system/linux/unique_fd.h"

namespace jobhost::linux {
namespace {

using testing::TempDir;
using testing::WaitUntil;

// A copy of sleep under a name no other process has.
std::string CopySleeper(const TempDir& dir) {
  static int serial = 0;
  std::string name =
      "sleeper" + std::to_string(::getpid()) + "_" + std::to_string(serial++) + ".exe";
  testing::WriteWholeFile(dir / name, testing::ReadWholeFile("/bin/sleep").value_or(""), 0755);
  return name;
}

std::optional<pid_t> PidOfImage(const std::string& imageName) {
  std::optional<pid_t> found;
  ForEachProcess([&](pid_t pid, std::string_view name) {
    if (name == imageName) found = pid;
  });
  return found;
}

// Fields of /proc/<pid>/stat after "(comm)": state, ppid, pgrp, session.
struct ProcStat {
  char state = 0;
  long session = -1;
};
ProcStat StatOf(pid_t pid) {
  ProcStat stat;
  auto text = testing::ReadWholeFile("/proc/" + std::to_string(pid) + "/stat").value_or(")");
  long parent = 0, group = 0;
  std::sscanf(text.c_str() + text.rfind(')') + 1, " %c %ld %ld %ld", &stat.state, &parent, &group,
              &stat.session);
  return stat;
}

TEST(LinuxProcesses, ParameterTextIsTheOneArgumentAndEndedChildrenAreReaped) {
  TempDir dir;
  const std::string script = dir / "report.sh";
  testing::WriteWholeFile(script,
                          "#!/bin/sh\nd=\"${0%/*}\"\nprintf '%s' \"$#\" > \"$d/count\"\n"
                          "printf '%s' \"$1\" > \"$d/argument\"\nprintf '%s' \"$$\" > \"$d/pid\"\n",
                          0755);
  struct Case {
    std::optional<std::u16string_view> parameters;
    std::string count, argument;
  };
  const Case cases[] = {
      {std::nullopt, "0", ""},
      {u"", "1", ""},
      {u"job 1/\"a b\"/C:\\out\\x.xps/*", "1", "job 1/\"a b\"/C:\\out\\x.xps/*"},
      {u"\u00e9t\u00e9", "1", "\xc3\xa9t\xc3\xa9"},
  };
  LinuxProcesses processes;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    auto launched = processes.Launch(Utf8ToUtf16(script), c.parameters);
    ASSERT_TRUE(launched);
    ASSERT_TRUE(WaitUntil([&] { return launched->HasEnded(); }));
    EXPECT_EQ(testing::ReadWholeFile(dir / "count"), c.count);
    EXPECT_EQ(testing::ReadWholeFile(dir / "argument"), c.argument);
    EXPECT_NE(StatOf(std::stoi(*testing::ReadWholeFile(dir / "pid"))).state, 'Z');
  }
}

TEST(LinuxProcesses, LaunchFailsForWhatCannotRun) {
  TempDir dir;
  testing::WriteWholeFile(dir / "data.xps", "not a program", 0755);
  LinuxProcesses processes;
  for (const std::string& path : {dir / "missing.exe", dir / "data.xps", dir.path()}) {
    EXPECT_EQ(processes.Launch(Utf8ToUtf16(path), std::nullopt), nullptr) << path;
  }
}

TEST(LinuxProcesses, ChildRunsInItsOwnSessionWithOnlyNullStdio) {
  TempDir dir;
  std::string name = CopySleeper(dir);
  // A descriptor without close-on-exec must still not reach the child.
  UniqueFd inheritable(::open("/dev/zero", O_RDONLY));
  LinuxProcesses processes;
  auto launched = processes.Launch(Utf8ToUtf16(dir / name), u"30");
  ASSERT_TRUE(launched);
  std::optional<pid_t> pid;
  ASSERT_TRUE(WaitUntil([&] { return (pid = PidOfImage(name)).has_value(); }));

  EXPECT_EQ(StatOf(*pid).session, *pid);
  auto descriptors = [&] {
    std::set<std::string> open;
    for (int fd = 0; fd < 64; ++fd) {
      auto link = "/proc/" + std::to_string(*pid) + "/fd/" + std::to_string(fd);
      if (auto target = ReadLinkWhole(link)) open.insert(std::to_string(fd) + "=" + *target);
    }
    return open;
  };
  // Until it sleeps, the child briefly holds the libraries and locale files it
  // loads (a moment between two of them looks clean); an inherited descriptor stays.
  const std::set<std::string> nullStdio{"0=/dev/null", "1=/dev/null", "2=/dev/null"};
  WaitUntil([&] { return StatOf(*pid).state == 'S' && descriptors() == nullStdio; },
            std::chrono::seconds(2));
  EXPECT_EQ(descriptors(), nullStdio);
  EXPECT_FALSE(launched->HasEnded());
  processes.StopByImageName(Utf8ToUtf16(name));
  EXPECT_TRUE(WaitUntil([&] { return launched->HasEnded(); }));
}

TEST(LinuxProcesses, StopKillsEveryProcessOfTheImageAndOnlyThose) {
  TempDir dir;
  std::string name = CopySleeper(dir), other = CopySleeper(dir);
  LinuxProcesses processes;
  auto first = processes.Launch(Utf8ToUtf16(dir / name), u"30");
  auto second = processes.Launch(Utf8ToUtf16(dir / name), u"30");
  auto bystander = processes.Launch(Utf8ToUtf16(dir / other), u"30");
  ASSERT_TRUE(first && second && bystander);
  auto count = [&](const std::string& image) {
    auto names = processes.ImageNames();
    return names ? std::count(names->begin(), names->end(), Utf8ToUtf16(image)) : -1;
  };
  ASSERT_TRUE(WaitUntil([&] { return count(name) == 2 && count(other) == 1; }));
  auto stopped = PidOfImage(name);

  // A released handle does not keep the stopped child from being reaped.
  first.reset();
  processes.StopByImageName(Utf8ToUtf16(name));
  EXPECT_TRUE(second->HasEnded()) << "the stop returns once they have ended";
  EXPECT_TRUE(WaitUntil([&] { return count(name) == 0; }));
  EXPECT_TRUE(WaitUntil([&] { return StatOf(*stopped).state == 0; })) << "no zombie is left";
  EXPECT_FALSE(bystander->HasEnded());
  processes.StopByImageName(Utf8ToUtf16(other));
  EXPECT_TRUE(WaitUntil([&] { return bystander->HasEnded(); }));
}

}  // namespace
}  // namespace jobhost::linux
