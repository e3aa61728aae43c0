#pragma once
// The request pipe: one client per instance, one client served at a time. The
// name is the service's from its first instance until its last is gone: each
// next instance is made while the served one still exists.

#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

namespace jobhost {

// Every pipe name starts here; a backend without named pipes maps the rest of
// the name onto its own kind of endpoint.
inline constexpr char16_t kPipeNamespace[] = u"\\\\.\\pipe\\";

enum class ReadStatus {
  kMessage,  // one whole message arrived; size bytes are in the buffer
  kFailed,   // failed, empty, larger than the buffer, or not within the limit
  kFatal,    // the reading thread could not be started: the service must end
};

struct ReadResult {
  ReadStatus status = ReadStatus::kFailed;
  std::size_t size = 0;
};

enum class ReplyStatus {
  kDelivered,     // written whole and read by the client (or the client closed)
  kNotDelivered,  // every write attempt failed, or the client did not read in time
  kFatal,         // the writing thread could not be started: the service must end
};

// One connected (or connectable) instance. Destroying it closes the instance
// without a disconnect, so a client still connected finds the pipe broken,
// as when the process ends; only a delivered reply disconnects first.
class PipeInstance {
 public:
  virtual ~PipeInstance() = default;

  // Blocks until a client connects. A client that connected between creation
  // and this call counts as connected.
  virtual bool WaitForClient() = 0;

  // Reads one message into buffer, giving up after limit from the call.
  virtual ReadResult ReadMessage(std::span<std::byte> buffer, std::chrono::milliseconds limit) = 0;

  // Writes message as one message, repeating a failed or short write up to
  // maxAttempts writes in all, then waits at most limit for the client to
  // have read it; a delivered reply is followed by a disconnect.
  virtual ReplyStatus DeliverReply(std::span<const std::byte> message, int maxAttempts,
                                   std::chrono::milliseconds limit) = 0;

  // Another instance of the same name, made while this one still exists, so
  // that the name is never free for another process between two clients;
  // nullptr when it cannot be made.
  virtual std::unique_ptr<PipeInstance> CreateNext() = 0;
};

class PipeHost {
 public:
  virtual ~PipeHost() = default;
  // Claims the name with its first instance, open to every local user on
  // Windows and to the service's own user (and root) on Linux; nullptr when
  // another process already holds the name, or the instance (or its security
  // descriptor) cannot be made.
  virtual std::unique_ptr<PipeInstance> CreateFirstInstance(std::u16string_view pipeName) = 0;
};

}  // namespace jobhost
