#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <future>
#include <optional>
#include <set>
#include <string>

#include "platform/linux/files.h"
#include "platform/linux/linux_test_support.h"
#include "support/utf.h"
#include "system/linux/unique_fd.h"

namespace jobhost::linux {
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

// The copy's result, or nullopt when it did not return within 2 s; then a
// writer is opened and closed on a FIFO source so that the copy can end.
std::optional<bool> CopyWithin(LinuxFiles& files, const std::string& source,
                               const std::string& target) {
  auto copy = std::async(std::launch::async, [&] {
    return files.CopyReplacing(RequestPath(source), RequestPath(target));
  });
  if (copy.wait_for(std::chrono::seconds(2)) == std::future_status::ready) return copy.get();
  UniqueFd writer(::open(source.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  writer.reset();
  copy.wait();
  return std::nullopt;
}

TEST(LinuxFiles, FailedCopiesLeaveTheTargetAsItWas) {
  TempDir dir;
  WriteWholeFile(dir / "source.xps", "source");
  WriteWholeFile(dir / "target.xps", "kept");
  ::mkdir((dir / "folder").c_str(), 0755);
  // A FIFO source would wait in open() for a writer that never comes.
  ::mkfifo((dir / "fifo").c_str(), 0644);
  const std::pair<std::string, std::string> cases[] = {
      {dir / "missing.xps", dir / "target.xps"},
      // Sources that are no regular file.
      {dir / "folder", dir / "target.xps"},
      {dir / "fifo", dir / "target.xps"},
      {"/dev/zero", dir / "target.xps"},
      {"/dev/null", dir / "target.xps"},
      // Targets that cannot be written.
      {dir / "source.xps", dir / "folder"},
      {dir / "source.xps", dir / "nowhere/target.xps"},
  };
  LinuxFiles files;
  for (const auto& [source, target] : cases) {
    EXPECT_EQ(CopyWithin(files, source, target), false) << source;
  }
  EXPECT_EQ(ReadWholeFile(dir / "target.xps"), "kept");
  EXPECT_EQ(Entries(dir.path()),
            (std::set<std::string>{"fifo", "folder", "source.xps", "target.xps"}));
  EXPECT_TRUE(Entries(dir / "folder").empty());
}

}  // namespace
}  // namespace jobhost::linux
