#pragma once
// Runs one blocking step on a thread of its own, bounded in time: the pipe's
// reads and writes block in the system, and a client that neither sends nor
// reads must not hold the service.

#include <windows.h>

#include <chrono>

namespace jobhost::win32 {

enum class ThreadOutcome {
  kFinished,    // the work returned within the limit
  kTimedOut,    // the limit passed; the work's blocking call was cancelled and it has returned
  kNotStarted,  // no thread could be created; the work did not run
};

// Runs routine(context) on a new thread and waits at most limit. The thread
// has always ended when this returns, so context may live on the caller's stack.
ThreadOutcome RunThreadWithLimit(LPTHREAD_START_ROUTINE routine, void* context,
                                 std::chrono::milliseconds limit);

// Runs work() the same way.
template <typename Work>
ThreadOutcome RunWithLimit(Work& work, std::chrono::milliseconds limit) {
  return RunThreadWithLimit(
      [](LPVOID context) -> DWORD {
        (*static_cast<Work*>(context))();
        return 0;
      },
      &work, limit);
}

// A limit as a wait time in milliseconds, never INFINITE.
DWORD ToWaitMilliseconds(std::chrono::milliseconds limit);

}  // namespace jobhost::win32
