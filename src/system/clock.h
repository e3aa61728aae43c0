#pragma once
// The one clock of every binary: monotonic time for limits and deadlines,
// and sleeping. Code under test takes it as a Clock&, so a fake can move
// time at will.

#include <chrono>
#include <cstdint>

namespace jobhost {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a clock that never goes back.
  virtual std::int64_t NowMs() = 0;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// std::chrono::steady_clock: CLOCK_MONOTONIC on Linux, the performance
// counter on Windows.
class SteadyClock : public Clock {
 public:
  std::int64_t NowMs() override;
  void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace jobhost
