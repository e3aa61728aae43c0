#include "platform/win32/thread_with_limit.h"

#include <algorithm>

#include "system/win32/unique_resource.h"

namespace jobhost::win32 {
namespace {

// How often a cancel is repeated while the thread has not yet ended: a cancel
// that comes before the thread has entered its blocking call finds nothing
// to cancel.
constexpr DWORD kCancelRetryMilliseconds = 20;

// Whether the thread has ended within waitMilliseconds. A failed wait says
// nothing about the thread: then its exit code decides, and a thread that may
// still run counts as running, since it may still use the caller's stack. The
// routines run here never return STILL_ACTIVE.
bool HasEnded(HANDLE thread, DWORD waitMilliseconds) {
  const ULONGLONG end = ::GetTickCount64() + waitMilliseconds;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
    const DWORD result = ::WaitForSingleObject(thread, left);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_FAILED) return false;
    DWORD exitCode = STILL_ACTIVE;
    if (::GetExitCodeThread(thread, &exitCode) && exitCode != STILL_ACTIVE) return true;
    if (left == 0) return false;
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

ThreadOutcome RunThreadWithLimit(LPTHREAD_START_ROUTINE routine, void* context,
                                 std::chrono::milliseconds limit) {
  UniqueHandle thread(::CreateThread(nullptr, 0, routine, context, 0, nullptr));
  if (!thread) return ThreadOutcome::kNotStarted;
  if (HasEnded(thread.get(), ToWaitMilliseconds(limit))) return ThreadOutcome::kFinished;
  while (!HasEnded(thread.get(), 0)) {
    ::CancelSynchronousIo(thread.get());
    if (HasEnded(thread.get(), kCancelRetryMilliseconds)) break;
  }
  return ThreadOutcome::kTimedOut;
}

}  // namespace jobhost::win32
