#include "platform/win32/pipe.h"

#include <sddl.h>

#include <algorithm>

#include "platform/win32/account_sid.h"
#include "platform/win32/thread_with_limit.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// Every local account may connect, read and write (the print pipeline may
// call under another account): everyone gets kClientAccess, read and write
// without FILE_CREATE_PIPE_INSTANCE, the FILE_APPEND_DATA bit that
// FILE_GENERIC_WRITE holds. Only SYSTEM, Administrators and this account (its
// SID ends the text) may create further instances of the name, so no other
// account can put a server of its own behind it.
constexpr DWORD kClientAccess =
    (FILE_GENERIC_READ | FILE_GENERIC_WRITE) & ~FILE_CREATE_PIPE_INSTANCE;
static_assert(kClientAccess == 0x12019b);
constexpr wchar_t kDescriptorText[] = L"D:(A;;0x12019b;;;WD)(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;";

constexpr DWORD kPipeOpenMode = PIPE_ACCESS_DUPLEX;
// Remote clients are refused.
constexpr DWORD kPipeMode =
    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
constexpr DWORD kBufferSize = 4096;

UniqueLocalMemory PipeSecurityDescriptor() {
  const std::wstring account = AccountSidOf(::GetCurrentProcess());
  if (account.empty()) return UniqueLocalMemory();
  const std::wstring text = kDescriptorText + account + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    return UniqueLocalMemory();
  }
  return UniqueLocalMemory(descriptor);
}

// Every instance carries the descriptor that keeps other accounts from
// adding instances of their own; the system copies it into the instance.
UniqueFileHandle CreatePipeInstance(PipeName& pipeName, DWORD firstInstanceFlag) {
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), pipeName.descriptor.get(), FALSE};
  return UniqueFileHandle(
      pipeName.createPipe(pipeName.name.c_str(), kPipeOpenMode | firstInstanceFlag, kPipeMode,
                          PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, &attributes));
}

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

// Whether no instance of the name exists at all: only then does the wait fail
// with ERROR_FILE_NOT_FOUND (a busy instance runs the 1 ms out). It connects
// nothing. Wine does not enforce FILE_FLAG_FIRST_PIPE_INSTANCE between two
// duplex instances, so the flag alone would let a second copy serve beside
// the first; the flag still covers the moment between this and the create.
bool NameIsFree(const std::wstring& name) {
  return !::WaitNamedPipeW(name.c_str(), 1) && ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool Win32PipeInstance::WaitForClient() {
  return ::ConnectNamedPipe(pipe_.get(), nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED;
}

ReadResult Win32PipeInstance::ReadMessage(std::span<std::byte> buffer,
                                          std::chrono::milliseconds limit) {
  ReadStep step{pipe_.get(), buffer};
  switch (name_->reader.Run(step, limit)) {
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
  switch (name_->writer.Run(step, limit)) {
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

std::unique_ptr<PipeInstance> Win32PipeInstance::CreateNext() {
  UniqueFileHandle pipe = CreatePipeInstance(*name_, 0);
  if (!pipe) return nullptr;
  return std::make_unique<Win32PipeInstance>(std::move(pipe), name_);
}

// Fails when the name exists already: another process's instance would
// otherwise stand beside the service's, and clients would reach either.
std::unique_ptr<PipeInstance> Win32PipeHost::CreateFirstInstance(std::u16string_view pipeName) {
  auto name = std::make_shared<PipeName>();
  name->name = ToWide(pipeName);
  name->createPipe = createPipe_;
  if (!NameIsFree(name->name)) return nullptr;
  name->descriptor = PipeSecurityDescriptor();
  if (!name->descriptor) return nullptr;
  UniqueFileHandle pipe = CreatePipeInstance(*name, FILE_FLAG_FIRST_PIPE_INSTANCE);
  if (!pipe) return nullptr;
  return std::make_unique<Win32PipeInstance>(std::move(pipe), std::move(name));
}

}  // namespace jobhost::win32
