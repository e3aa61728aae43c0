#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/linux/linux_libraries.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/linux_test_support.h"
#include "support/utf.h"

namespace jobhost {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

// The path as a request carries it: a backslash for every separator.
std::u16string RequestPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return Utf8ToUtf16(path);
}

std::set<std::string> Entries(const std::string& directory) {
  std::set<std::string> names;
  if (DIR* listing = ::opendir(directory.c_str())) {
    while (const dirent* entry = ::readdir(listing)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    ::closedir(listing);
  }
  return names;
}

TEST(LinuxFiles, CopyReplacesTheTargetWithContentsAndPermissions) {
  TempDir dir;
  const std::string overlay("page\0data", 9);
  WriteWholeFile(dir / "overlay.xps", overlay, 0640);
  WriteWholeFile(dir / "target.xps", "an older and longer overlay", 0600);
  LinuxFiles files;
  for (const char* target : {"target.xps", "new.xps", "overlay.xps"}) {
    ASSERT_TRUE(files.CopyReplacing(RequestPath(dir / "overlay.xps"), RequestPath(dir / target)));
    EXPECT_EQ(ReadWholeFile(dir / target), overlay) << target;
    struct stat status {};
    ::stat((dir / target).c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << target;
  }
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"new.xps", "overlay.xps", "target.xps"}))
      << "no temporary file stays behind";
}

TEST(LinuxFiles, FailedCopiesLeaveTheTargetAsItWas) {
  TempDir dir;
  WriteWholeFile(dir / "source.xps", "source");
  WriteWholeFile(dir / "target.xps", "kept");
  ::mkdir((dir / "folder").c_str(), 0755);
  const std::pair<std::string, std::string> cases[] = {
      {dir / "missing.xps", dir / "target.xps"},
      {dir / "folder", dir / "target.xps"},
      {dir / "source.xps", dir / "folder"},
      {dir / "source.xps", dir / "nowhere/target.xps"},
  };
  LinuxFiles files;
  for (const auto& [source, target] : cases) {
    EXPECT_FALSE(files.CopyReplacing(RequestPath(source), RequestPath(target))) << source;
  }
  EXPECT_EQ(ReadWholeFile(dir / "target.xps"), "kept");
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"folder", "source.xps", "target.xps"}));
  EXPECT_TRUE(Entries(dir / "folder").empty());
}

TEST(LinuxDebugOutput, LogFileGetsEachTextExactlyAsSent) {
  TempDir dir;
  testing::ScopedEnv log("JOBHOST_DEBUG_LOG", dir / "debug.log");
  LinuxDebugOutput debug;
  debug.Send("create snap fail\n");
  debug.Send("GetPrinter() fail, GetLastError is 5");
  EXPECT_EQ(ReadWholeFile(dir / "debug.log"),
            "create snap fail\nGetPrinter() fail, GetLastError is 5");
}

TEST(LinuxLibraries, LoadsLibrariesAndFindsTheirExports) {
  LinuxLibraries libraries;
  auto library = libraries.Load(u"libm.so.6");
  ASSERT_TRUE(library);
  EXPECT_NE(library->Symbol("cos"), nullptr);
  EXPECT_EQ(library->Symbol("FindSnmpAgent"), nullptr);
  TempDir dir;
  WriteWholeFile(dir / "vtldevprobe.dll", "not a library");
  EXPECT_EQ(libraries.Load(Utf8ToUtf16(dir / "vtldevprobe.dll")), nullptr);
}

}  // namespace
}  // namespace jobhost
