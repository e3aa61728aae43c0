#pragma once
// Runs one blocking step at a time on a thread of its own, bounded in time:
// the pipe's reads and writes block in the system, and a client that neither
// sends nor reads must not hold the service. The thread is made once and
// waits for its next step: making a thread per step cost more than the
// request itself under Wine.

#include <windows.h>

#include <chrono>

#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

enum class ThreadOutcome {
  kFinished,    // the work returned within the limit
  kTimedOut,    // the limit passed; the work's blocking call was cancelled and it has returned
  kNotStarted,  // no thread could be made; the work did not run
};

class StepThread {
 public:
  StepThread() = default;
  ~StepThread();
  StepThread(const StepThread&) = delete;
  StepThread& operator=(const StepThread&) = delete;

  // Runs routine(context) on the thread and waits at most limit. The work has
  // always returned when this returns, so context may live on the caller's
  // stack. One caller at a time.
  ThreadOutcome Run(void (*routine)(void*), void* context, std::chrono::milliseconds limit);

  // Runs work() the same way.
  template <typename Work>
  ThreadOutcome Run(Work& work, std::chrono::milliseconds limit) {
    return Run([](void* context) { (*static_cast<Work*>(context))(); }, &work, limit);
  }

 private:
  bool Start();
  static DWORD WINAPI Loop(LPVOID self);

  UniqueHandle stepGiven_;  // auto-reset: a step waits in routine_/context_
  UniqueHandle stepDone_;   // auto-reset: the step has returned
  UniqueHandle thread_;
  void (*routine_)(void*) = nullptr;  // null with stepGiven_ set: the thread ends
  void* context_ = nullptr;
};

// A limit as a wait time in milliseconds, never INFINITE.
DWORD ToWaitMilliseconds(std::chrono::milliseconds limit);

}  // namespace jobhost::win32
