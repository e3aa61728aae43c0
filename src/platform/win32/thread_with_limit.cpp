#include "platform/win32/thread_with_limit.h"

#include <algorithm>

namespace jobhost::win32 {
namespace {

// How often a cancel is repeated while the step has not yet returned: a
// cancel that comes before the step has entered its blocking call finds
// nothing to cancel.
constexpr DWORD kCancelRetryMilliseconds = 20;

// How long the destructor waits for an idle thread to end.
constexpr DWORD kEndWaitMilliseconds = 5000;

// Whether the event was set within waitMilliseconds. A failed wait says
// nothing about the step: it counts as still running, since it may still use
// the caller's stack.
bool IsSet(HANDLE event, DWORD waitMilliseconds) {
  const ULONGLONG end = ::GetTickCount64() + waitMilliseconds;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
    const DWORD result = ::WaitForSingleObject(event, left);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_FAILED || left == 0) return false;
    // No busy loop while the waits keep failing.
    ::Sleep(std::min(left, kCancelRetryMilliseconds));
  }
}

}  // namespace

DWORD ToWaitMilliseconds(std::chrono::milliseconds limit) {
  if (limit.count() <= 0) return 0;
  if (limit.count() >= static_cast<long long>(INFINITE)) return INFINITE - 1;
  return static_cast<DWORD>(limit.count());
}

StepThread::~StepThread() {
  if (!thread_) return;
  // Idle between steps (Run waits for each), so it ends at once.
  routine_ = nullptr;
  ::SetEvent(stepGiven_.get());
  ::WaitForSingleObject(thread_.get(), kEndWaitMilliseconds);
}

bool StepThread::Start() {
  if (thread_) return true;
  stepGiven_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  stepDone_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!stepGiven_ || !stepDone_) return false;
  thread_.reset(::CreateThread(nullptr, 0, Loop, this, 0, nullptr));
  return static_cast<bool>(thread_);
}

DWORD WINAPI StepThread::Loop(LPVOID self) {
  auto& owner = *static_cast<StepThread*>(self);
  for (;;) {
    if (::WaitForSingleObject(owner.stepGiven_.get(), INFINITE) != WAIT_OBJECT_0) return 1;
    if (owner.routine_ == nullptr) return 0;
    owner.routine_(owner.context_);
    ::SetEvent(owner.stepDone_.get());
  }
}

ThreadOutcome StepThread::Run(void (*routine)(void*), void* context,
                              std::chrono::milliseconds limit) {
  if (!Start()) return ThreadOutcome::kNotStarted;
  routine_ = routine;
  context_ = context;
  if (!::SetEvent(stepGiven_.get())) return ThreadOutcome::kNotStarted;
  if (IsSet(stepDone_.get(), ToWaitMilliseconds(limit))) return ThreadOutcome::kFinished;
  // The step's own done signal is taken here, so the next step cannot see it.
  do {
    ::CancelSynchronousIo(thread_.get());
  } while (!IsSet(stepDone_.get(), kCancelRetryMilliseconds));
  return ThreadOutcome::kTimedOut;
}

}  // namespace jobhost::win32
