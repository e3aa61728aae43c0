#include "platform/linux/library.h"

#include <gtest/gtest.h>

#include "platform/linux/linux_test_support.h"
#include "support/utf.h"

namespace jobhost::linux {
namespace {

using testing::TempDir;
using testing::WriteWholeFile;

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
}  // namespace jobhost::linux
