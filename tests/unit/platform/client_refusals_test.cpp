#include "platform/client_refusals.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_debug_output.h"

namespace jobhost {
namespace {

// What the debug channel gets from refusals of (user, at milliseconds).
std::vector<std::string> Lines(const std::vector<std::pair<std::uint32_t, std::int64_t>>& rows) {
  testing::FakeClock clock;
  testing::FakeDebugOutput debug;
  ClientRefusals refusals(clock, debug, 1000);
  for (auto [user, atMs] : rows) {
    clock.now = atMs;
    refusals.Refused(user);
  }
  return debug.texts;
}

// An account's first line, or (count above 0) the count since its last line.
std::string Line(std::uint32_t user, int count = 0) {
  return "client of user " + std::to_string(user) + " refused" +
         (count == 0 ? "" : " " + std::to_string(count) + " times since the last such line") +
         ": the service serves user 1000 only";
}

TEST(ClientRefusals, EachAccountCostsAFirstLineThenOneAMinute) {
  EXPECT_EQ(Lines({{7, 0}, {7, 1}, {7, 59'999}, {7, 60'000}, {7, 60'001}, {7, 120'000}}),
            (std::vector{Line(7), Line(7, 3), Line(7, 2)}));
  EXPECT_EQ(Lines({{7, 0}, {8, 30'000}, {7, 30'001}, {8, 60'000}, {7, 60'000}, {8, 90'000}}),
            (std::vector{Line(7), Line(8), Line(7, 2), Line(8, 2)}));
  // One account beyond those remembered takes the place of the one told
  // longest ago (1), whose next refusal costs a first line again.
  std::vector<std::pair<std::uint32_t, std::int64_t>> rows;
  for (std::uint32_t user = 1; user <= kRememberedRefusedAccounts + 1; ++user)
    rows.emplace_back(user, user);
  rows.insert(rows.end(), {{2, 100}, {1, 100}});
  EXPECT_EQ(Lines(rows).size(), kRememberedRefusedAccounts + 2);
}

}  // namespace
}  // namespace jobhost
