#pragma once
// The one fake clock: it moves only when slept on (every sleep is recorded)
// or when a scripted network waits (tests/unit/network/fake_network.h), so
// every wait is exact and instant.

#include <chrono>
#include <cstdint>
#include <vector>

#include "system/clock.h"

namespace jobhost::testing {

class FakeClock : public Clock {
 public:
  std::int64_t now = 0;  // milliseconds
  std::vector<std::chrono::milliseconds> sleeps;

  std::int64_t NowMs() override { return now; }
  void Sleep(std::chrono::milliseconds duration) override {
    sleeps.push_back(duration);
    now += duration.count();
  }
};

}  // namespace jobhost::testing
