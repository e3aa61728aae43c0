#include "system/debug_channel.h"

#include <gtest/gtest.h>

#include "platform/linux/linux_test_support.h"

namespace jobhost {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;

TEST(DebugChannel, LogFileGetsEachTextAsOneLine) {
  TempDir dir;
  testing::ScopedEnv log("JOBHOST_DEBUG_LOG", dir / "debug.log");
  SendDebugText("create snap fail\n");
  SendDebugText("GetPrinter() fail, GetLastError is 5");
  SendDebugText("");
  EXPECT_EQ(ReadWholeFile(dir / "debug.log"),
            "create snap fail\nGetPrinter() fail, GetLastError is 5\n\n");
}

}  // namespace
}  // namespace jobhost
