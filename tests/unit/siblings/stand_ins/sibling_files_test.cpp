#include "sibling_files.h"

#include <gtest/gtest.h>

namespace jobhost::stand_in {
namespace {

TEST(StandInFiles, ScriptAndLogSitBesideTheFile) {
  EXPECT_EQ(ReplaceEnding("/t/vtlportlink.dll", ".dll", ".table"), "/t/vtlportlink.table");
  EXPECT_EQ(ReplaceEnding("C:\\t\\VTLPORTLINK.DLL", ".dll", ".log"), "C:\\t\\VTLPORTLINK.log");
  EXPECT_EQ(ReplaceEnding("/t/libx.so", ".dll", ".log"), "/t/libx.so.log");
}

}  // namespace
}  // namespace jobhost::stand_in
