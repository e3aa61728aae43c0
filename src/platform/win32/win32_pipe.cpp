#include "platform/win32/win32_pipe.h"

#include <algorithm>

#include "platform/win32/thread_with_limit.h"
#include "platform/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// The minimum size of a security descriptor in the 64-bit layout.
constexpr SIZE_T kDescriptorSize = SECURITY_DESCRIPTOR_MIN_LENGTH;
static_assert(kDescriptorSize == 40);

constexpr DWORD kPipeOpenMode = PIPE_ACCESS_DUPLEX;
// Remote clients are refused; local callers under any account are let in by
// the NULL DACL (the print pipeline may run under another account).
constexpr DWORD kPipeMode =
    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
constexpr DWORD kBufferSize = 4096;

DWORD ClampToDword(std::size_t size) {
  return static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
}

struct ReadStep {
  HANDLE pipe;
  std::span<std::byte> buffer;
  BOOL succeeded = FALSE;
  DWORD bytesRead = 0;

  void operator()() {
    succeeded = ::ReadFile(pipe, buffer.data(), ClampToDword(buffer.size()), &bytesRead, nullptr);
    ::FlushFileBuffers(pipe);
  }
};

struct ReplyStep {
  HANDLE pipe;
  std::span<const std::byte> message;
  int maxAttempts;
  bool written = false;

  void operator()() {
    const DWORD size = ClampToDword(message.size());
    for (int attempt = 0; attempt < maxAttempts && !written; ++attempt) {
      DWORD bytesWritten = 0;
      written =
          ::WriteFile(pipe, message.data(), size, &bytesWritten, nullptr) && bytesWritten == size;
    }
    // Returns once the client has read the reply (or closed its end); the
    // disconnect that follows would discard an unread reply.
    if (written) ::FlushFileBuffers(pipe);
  }
};

}  // namespace

bool Win32PipeInstance::WaitForClient() {
  return ::ConnectNamedPipe(pipe_.get(), nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED;
}

ReadResult Win32PipeInstance::ReadMessage(std::span<std::byte> buffer,
                                          std::chrono::milliseconds limit) {
  ReadStep step{pipe_.get(), buffer};
  switch (RunWithLimit(step, limit)) {
    case ThreadOutcome::kNotStarted:
      return {ReadStatus::kFatal, 0};
    case ThreadOutcome::kTimedOut:
      return {ReadStatus::kFailed, 0};
    case ThreadOutcome::kFinished:
      break;
  }
  // A message larger than the buffer fails with ERROR_MORE_DATA.
  if (!step.succeeded || step.bytesRead == 0) return {ReadStatus::kFailed, 0};
  return {ReadStatus::kMessage, step.bytesRead};
}

ReplyStatus Win32PipeInstance::DeliverReply(std::span<const std::byte> message, int maxAttempts,
                                            std::chrono::milliseconds limit) {
  ReplyStep step{pipe_.get(), message, maxAttempts};
  switch (RunWithLimit(step, limit)) {
    case ThreadOutcome::kNotStarted:
      return ReplyStatus::kFatal;
    case ThreadOutcome::kTimedOut:
      return ReplyStatus::kNotDelivered;
    case ThreadOutcome::kFinished:
      break;
  }
  if (!step.written) return ReplyStatus::kNotDelivered;
  // Only a delivered reply is followed by a disconnect: the client then finds
  // its end disconnected, not broken as after an ending without a reply.
  ::DisconnectNamedPipe(pipe_.get());
  return ReplyStatus::kDelivered;
}

std::unique_ptr<PipeInstance> Win32PipeHost::CreateInstance(std::u16string_view pipeName) {
  UniqueLocalMemory descriptorMemory(::LocalAlloc(LPTR, kDescriptorSize));
  if (!descriptorMemory) return nullptr;
  auto descriptor = static_cast<PSECURITY_DESCRIPTOR>(descriptorMemory.get());
  if (!::InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(descriptor, TRUE, nullptr, FALSE)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  const std::wstring name = ToWide(pipeName);
  UniqueFileHandle pipe(::CreateNamedPipeW(name.c_str(), kPipeOpenMode, kPipeMode,
                                           PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0,
                                           &attributes));
  if (!pipe) return nullptr;
  // The system has copied the descriptor into the instance; ours is released here.
  return std::make_unique<Win32PipeInstance>(std::move(pipe));
}

}  // namespace jobhost::win32
