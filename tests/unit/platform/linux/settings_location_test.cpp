#include "platform/linux/settings_location.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/linux_test_support.h"
#include "platform/linux/settings_store.h"

namespace jobhost::linux {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

TEST(SettingsLocation, FollowsTheOverrideThenXdgThenHome) {
  struct Case {
    std::optional<std::string> registry, xdg, home, expected;
  };
  const Case cases[] = {
      {"/x/r.db", "/xdg", "/home/u", "/x/r.db"},
      {std::nullopt, "/xdg", "/home/u", "/xdg/jobhost/registry.sqlite3"},
      {"", "", "/home/u", "/home/u/.config/jobhost/registry.sqlite3"},
      {std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    ScopedEnv registry("JOBHOST_REGISTRY", c.registry), xdg("XDG_CONFIG_HOME", c.xdg),
        home("HOME", c.home);
    EXPECT_EQ(SettingsDatabasePath(), c.expected) << c.expected.value_or("(none)");
  }
  TempDir dir;
  ScopedEnv registry("JOBHOST_REGISTRY", std::nullopt), xdg("XDG_CONFIG_HOME", dir / "config");
  EXPECT_NE(SqliteSettingsStore().CreateKey(u"Software"), nullptr);
  EXPECT_TRUE(testing::ReadWholeFile(dir / "config/jobhost/registry.sqlite3")) << "folders made";
}
}  // namespace
}  // namespace jobhost::linux
