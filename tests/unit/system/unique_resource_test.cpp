#include "system/unique_resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace jobhost {
namespace {

std::vector<int> released;

struct CountedTraits {
  using Type = int;
  static Type Invalid() { return 0; }
  static void Release(Type value) { released.push_back(value); }
};
using Counted = UniqueResource<CountedTraits>;

TEST(UniqueResource, ReleasesWhatItHoldsExactlyOnceOnEveryPath) {
  const struct {
    const char* path;
    std::function<void()> run;
    std::vector<int> expected;
  } cases[] = {
      {"going out of scope", [] { Counted one(1); }, {1}},
      {"moved out: only the new owner releases",
       [] {
         Counted source(1);
         Counted taken(std::move(source));
       },
       {1}},
      {"moved over: the old value first",
       [] {
         Counted target(1);
         target = Counted(2);
       },
       {1, 2}},
      {"reset: the old value at once", [] { Counted(1).reset(3); }, {1, 3}},
      {"released: the caller's, never the owner's", [] { EXPECT_EQ(Counted(1).release(), 1); }, {}},
      {"empty: nothing", [] { Counted empty; }, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    released.clear();
    c.run();
    EXPECT_EQ(released, c.expected);
  }
}

}  // namespace
}  // namespace jobhost
