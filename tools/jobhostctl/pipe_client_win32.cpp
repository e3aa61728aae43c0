#include <windows.h>

#include <algorithm>
#include <string>

#include "pipe_client.h"
#include "platform/win32/account_sid.h"
#include "support/utf.h"
#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::ctl {
namespace {

using win32::UniqueFileHandle;
using win32::UniqueHandle;
using Clock = std::chrono::steady_clock;
constexpr DWORD kRetryPauseMs = 50;
constexpr DWORD kReadChunk = 1 << 16;
constexpr DWORD kWriteLimitMs = 30000;
// Not GENERIC_WRITE: it holds FILE_APPEND_DATA, which on a pipe is the right
// to create instances, and the service grants that to its own account only.
constexpr DWORD kPipeAccess = GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES;
// Whatever serves the name may identify this user but never act as it.
constexpr DWORD kPipeFlags = FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
constexpr wchar_t kSystemSid[] = L"S-1-5-18";
constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";

std::string ErrorText(DWORD error) {
  return "system error " + std::to_string(error);
}

DWORD MillisecondsUntil(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<DWORD>(std::max<long long>(left.count(), 0));
}

// Overlapped I/O, so that every wait on the service has a limit.
class NamedPipeClient : public PipeClient {
 public:
  explicit NamedPipeClient(UniqueFileHandle pipe)
      : pipe_(std::move(pipe)), event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  // The user of the serving process's token. The service refuses no account
  // here: every local account may connect.
  ServerAccount Server() override {
    ULONG pid = 0;
    if (!GetNamedPipeServerProcessId(pipe_.get(), &pid))
      return {false, "an account that cannot be read: " + ErrorText(GetLastError()), ""};
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    const std::wstring sid = process ? win32::AccountSidOf(process.get()) : std::wstring();
    if (sid.empty()) return {false, "the unreadable account of process " + std::to_string(pid), ""};
    const bool trusted = sid == win32::AccountSidOf(GetCurrentProcess()) || sid == kSystemSid ||
                         sid == kAdministratorsSid;
    return {trusted, win32::Utf8FromWide(sid), ""};
  }

  // A client that opened the pipe has the instance to itself: nothing resets
  // it before it is served, as a queued connection on Linux can be.
  SendStatus Send(std::span<const std::uint8_t> message) override {
    DWORD written = 0;
    bool sent = Complete(WriteFile(pipe_.get(), message.data(), static_cast<DWORD>(message.size()),
                                   nullptr, Prepare()),
                         kWriteLimitMs, written) == ERROR_SUCCESS &&
                written == message.size();
    return sent ? SendStatus::kSent : SendStatus::kFailed;
  }

  Received Receive(std::chrono::milliseconds limit) override {
    Clock::time_point deadline = Clock::now() + limit;
    Received received;
    for (;;) {
      std::size_t start = received.message.size();
      received.message.resize(start + kReadChunk);
      DWORD got = 0;
      // Worked out first: nothing may run between the read and its last error.
      const DWORD waitMs = MillisecondsUntil(deadline);
      DWORD error = Complete(
          ReadFile(pipe_.get(), received.message.data() + start, kReadChunk, nullptr, Prepare()),
          waitMs, got);
      received.message.resize(start + got);
      if (error == ERROR_MORE_DATA) continue;
      // The exact code tells a closed instance (109, the service ended) from
      // a disconnected one (233).
      if (error != ERROR_SUCCESS && error != WAIT_TIMEOUT) received.detail = ErrorText(error);
      if (error == ERROR_SUCCESS) {
        received.status = ReceiveStatus::kMessage;
      } else if (error == WAIT_TIMEOUT) {
        received.status = ReceiveStatus::kTimedOut;
      } else if (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ||
                 error == ERROR_NO_DATA) {
        received.status = ReceiveStatus::kEnded;
      } else {
        received.status = ReceiveStatus::kFailed;
      }
      return received;
    }
  }

 private:
  OVERLAPPED* Prepare() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.get();
    ResetEvent(event_.get());
    return &overlapped_;
  }

  // The outcome of a started overlapped call: its error code, WAIT_TIMEOUT
  // when it was cancelled at the limit (or the wait failed: the call is then
  // cancelled too, since its buffer must not outlive it).
  // A message longer than the read reports ERROR_MORE_DATA with the part read.
  DWORD Complete(BOOL started, DWORD limitMs, DWORD& transferred) {
    transferred = 0;
    DWORD error = started ? ERROR_SUCCESS : GetLastError();
    if (error != ERROR_SUCCESS && error != ERROR_IO_PENDING && error != ERROR_MORE_DATA)
      return error;
    if (error == ERROR_IO_PENDING && WaitForSingleObject(event_.get(), limitMs) != WAIT_OBJECT_0) {
      CancelIo(pipe_.get());
      GetOverlappedResult(pipe_.get(), &overlapped_, &transferred, TRUE);
      return WAIT_TIMEOUT;
    }
    if (!GetOverlappedResult(pipe_.get(), &overlapped_, &transferred, FALSE)) return GetLastError();
    return ERROR_SUCCESS;
  }

  UniqueFileHandle pipe_;
  UniqueHandle event_;
  OVERLAPPED overlapped_{};
};

}  // namespace

Connection ConnectPipe(const std::string& baseName, std::chrono::milliseconds limit) {
  std::wstring name = L"\\\\.\\pipe\\" + win32::WideFromUtf8(baseName);
  Clock::time_point deadline = Clock::now() + limit;
  int refusals = 0;
  for (;;) {
    UniqueFileHandle pipe(
        CreateFileW(name.c_str(), kPipeAccess, 0, nullptr, OPEN_EXISTING, kPipeFlags, nullptr));
    if (pipe) {
      DWORD mode = PIPE_READMODE_MESSAGE;
      if (!SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr))
        return {ConnectStatus::kFailed, nullptr, ErrorText(GetLastError()), refusals};
      return {ConnectStatus::kConnected, std::make_unique<NamedPipeClient>(std::move(pipe)), "",
              refusals};
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PIPE_BUSY)
      return {ConnectStatus::kFailed, nullptr, ErrorText(error), refusals};
    ++refusals;
    DWORD left = MillisecondsUntil(deadline);
    if (left == 0)
      return {ConnectStatus::kNoInstance, nullptr, "no free instance of the pipe within the limit",
              refusals};
    if (error == ERROR_PIPE_BUSY) {
      WaitNamedPipeW(name.c_str(), left);
    } else {
      Sleep(std::min(left, kRetryPauseMs));
    }
  }
}

}  // namespace jobhost::ctl
