#include <thread>

#include "platform/posix/posix_system.h"

namespace jobhost {

void PosixClock::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

// steady_clock is CLOCK_MONOTONIC on Linux.
std::chrono::milliseconds PosixClock::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace jobhost
