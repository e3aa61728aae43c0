#include "system/module_path.h"

#include <gtest/gtest.h>

namespace jobhost {
namespace {

TEST(ProgramPath, IsTheRunningProgramsWholePath) {
  const auto path = ProgramPath();
  ASSERT_TRUE(path.has_value());
  const std::size_t separator = path->find_last_of(u"/\\");
  ASSERT_NE(separator, std::u16string::npos);
  const std::u16string name = path->substr(separator + 1);
  EXPECT_TRUE(name == u"jobhost_unit_tests" || name == u"jobhost_unit_tests.exe");
}

}  // namespace
}  // namespace jobhost
