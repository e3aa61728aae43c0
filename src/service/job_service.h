#pragma once
// The job service: serves one client at a time on the request pipe until a
// request ends it.

#include <chrono>

#include "family/family.h"
#include "platform/platform.h"

namespace jobhost {

inline constexpr std::chrono::milliseconds kRequestReadLimit{10000};
inline constexpr int kReplyWriteAttempts = 3;
inline constexpr std::chrono::milliseconds kReplyReadLimit{10000};

// Returns 0 on every way out: a close request, an action that yields 0, or a
// pipe that can no longer be served.
int RunJobService(const Family& family, Platform& platform);

}  // namespace jobhost
