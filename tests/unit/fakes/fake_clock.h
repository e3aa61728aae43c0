#pragma once
// A clock that only moves when slept on; every sleep is recorded.

#include <chrono>
#include <vector>

#include "platform/system.h"

namespace jobhost::testing {

class FakeClock : public Clock {
 public:
  std::chrono::milliseconds now{0};
  std::vector<std::chrono::milliseconds> sleeps;

  void Sleep(std::chrono::milliseconds duration) override {
    sleeps.push_back(duration);
    now += duration;
  }
  std::chrono::milliseconds Now() override { return now; }
};

}  // namespace jobhost::testing
