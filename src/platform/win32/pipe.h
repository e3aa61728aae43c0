#pragma once
// The request pipe over Win32 named pipes. The first instance claims the
// name: only when no instance of it exists (WaitNamedPipeW), and then with
// FILE_FLAG_FIRST_PIPE_INSTANCE; each next one is made while the
// served one still exists, so the name is never free between two clients.

#include <memory>
#include <string>

#include "platform/pipe.h"
#include "platform/win32/thread_with_limit.h"
#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

// CreateNamedPipeW's type; a test hands in one that records its calls.
using CreatePipeFunction = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                                           LPSECURITY_ATTRIBUTES);

// What every instance of one name shares, made once: how instances are made,
// the descriptor each carries, and the threads its reads and replies run on.
struct PipeName {
  std::wstring name;
  CreatePipeFunction createPipe;
  UniqueLocalMemory descriptor;
  StepThread reader;
  StepThread writer;
};

class Win32PipeInstance : public PipeInstance {
 public:
  Win32PipeInstance(UniqueFileHandle pipe, std::shared_ptr<PipeName> name)
      : pipe_(std::move(pipe)), name_(std::move(name)) {}

  bool WaitForClient() override;
  ReadResult ReadMessage(std::span<std::byte> buffer, std::chrono::milliseconds limit) override;
  ReplyStatus DeliverReply(std::span<const std::byte> message, int maxAttempts,
                           std::chrono::milliseconds limit) override;
  std::unique_ptr<PipeInstance> CreateNext() override;

 private:
  UniqueFileHandle pipe_;
  std::shared_ptr<PipeName> name_;
};

class Win32PipeHost : public PipeHost {
 public:
  explicit Win32PipeHost(CreatePipeFunction createPipe = ::CreateNamedPipeW)
      : createPipe_(createPipe) {}
  std::unique_ptr<PipeInstance> CreateFirstInstance(std::u16string_view pipeName) override;

 private:
  CreatePipeFunction createPipe_;
};

}  // namespace jobhost::win32
