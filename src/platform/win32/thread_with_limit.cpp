#include "platform/win32/thread_with_limit.h"

#include "platform/win32/unique_resource.h"

namespace jobhost::win32 {
namespace {

// How often a cancel is repeated while the thread has not yet ended: a cancel
// that comes before the thread has entered its blocking call finds nothing
// to cancel.
constexpr DWORD kCancelRetryMilliseconds = 20;

bool HasEnded(HANDLE thread, DWORD waitMilliseconds) {
  DWORD result = ::WaitForSingleObject(thread, waitMilliseconds);
  return result == WAIT_OBJECT_0 || result == WAIT_FAILED;
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
