#pragma once
// How a search or a resolution spreads its sends over its wait, and the
// buffer its answers arrive in.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace jobhost::network {

// Send k (from 0) is due at start + timeout × k / attempts: the first at
// once, the others evenly over the wait, none at its end.
class SendSchedule {
 public:
  SendSchedule(std::int64_t startMs, int timeoutMs, int attempts)
      : start_(startMs), timeoutMs_(std::max(timeoutMs, 0)), attempts_(std::max(attempts, 1)) {}

  std::int64_t DeadlineMs() const { return start_ + timeoutMs_; }
  bool Due(std::int64_t nowMs) const { return sends_ < attempts_ && nowMs >= NextMs(); }
  bool FirstSend() const { return sends_ == 0; }
  void Sent() { ++sends_; }
  // When to wake for the next send, the deadline once all are sent.
  std::int64_t WakeUpMs() const {
    return sends_ < attempts_ ? std::min(DeadlineMs(), NextMs()) : DeadlineMs();
  }

 private:
  std::int64_t NextMs() const { return start_ + std::int64_t{timeoutMs_} * sends_ / attempts_; }

  std::int64_t start_;
  int timeoutMs_;
  int attempts_;
  int sends_ = 0;
};

// Room for the largest UDP payload, so no answer is ever cut.
class DatagramBuffer {
 public:
  std::span<std::uint8_t> Room() { return bytes_; }
  // The datagram a receive of this size left in the buffer.
  std::span<const std::uint8_t> Received(std::size_t size) const {
    return {bytes_.data(), std::min(size, bytes_.size())};
  }

 private:
  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(65536);
};

}  // namespace jobhost::network
