#pragma once
// A monotonic deadline, turned into poll() time-outs.

#include <algorithm>
#include <chrono>

namespace jobhost::linux {

class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds limit)
      : end_(std::chrono::steady_clock::now() + std::max(limit, std::chrono::milliseconds(0))) {}

  // Milliseconds left, rounded up so a poll never wakes just before the end.
  int RemainingMs() const {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1 << 30));
  }
  bool Passed() const { return std::chrono::steady_clock::now() >= end_; }

 private:
  std::chrono::steady_clock::time_point end_;
};

}  // namespace jobhost::linux
