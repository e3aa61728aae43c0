#pragma once
// The request pipe over Win32 named pipes.

#include <memory>

#include "platform/pipe.h"
#include "platform/win32/unique_resource.h"

namespace jobhost::win32 {

class Win32PipeInstance : public PipeInstance {
 public:
  explicit Win32PipeInstance(UniqueFileHandle pipe) : pipe_(std::move(pipe)) {}

  bool WaitForClient() override;
  ReadResult ReadMessage(std::span<std::byte> buffer, std::chrono::milliseconds limit) override;
  ReplyStatus DeliverReply(std::span<const std::byte> message, int maxAttempts,
                           std::chrono::milliseconds limit) override;

 private:
  UniqueFileHandle pipe_;
};

class Win32PipeHost : public PipeHost {
 public:
  std::unique_ptr<PipeInstance> CreateInstance(std::u16string_view pipeName) override;
};

}  // namespace jobhost::win32
