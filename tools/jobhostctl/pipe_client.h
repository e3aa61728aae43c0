#pragma once
// The client end of the request pipe, one implementation per platform.

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace jobhost::ctl {

enum class ReceiveStatus {
  kMessage,   // one whole message arrived
  kEnded,     // the service ended the connection without a message
  kReset,     // reset before the service took the connection: not served, retry
  kTimedOut,  // nothing within the limit
  kFailed,
};

struct Received {
  ReceiveStatus status = ReceiveStatus::kFailed;
  std::vector<std::uint8_t> message;
  std::string detail;  // how it ended or failed, for the user ("system error 109")
};

enum class SendStatus {
  kSent,
  kReset,  // as ReceiveStatus::kReset
  kFailed,
};

// Who serves the pipe, as the system names the account.
struct ServerAccount {
  bool trusted = false;  // this user's own account (on Windows also the system's)
  std::string name;
  // This caller's account, as the system names it, when the service's own
  // rule refuses it: the service closes the connection unread (Linux: it
  // serves its own user and root only). Empty when the service would serve it.
  std::string refusedCaller;
};

class PipeClient {
 public:
  virtual ~PipeClient() = default;
  // The account of the process that serves the pipe: trusted when it is this
  // user's own, or on Windows SYSTEM or Administrators.
  virtual ServerAccount Server() = 0;
  // Sends message as one message.
  virtual SendStatus Send(std::span<const std::uint8_t> message) = 0;
  virtual Received Receive(std::chrono::milliseconds limit) = 0;
};

enum class ConnectStatus { kConnected, kNoInstance, kFailed };

struct Connection {
  ConnectStatus status = ConnectStatus::kFailed;
  std::unique_ptr<PipeClient> client;
  std::string error;  // why it failed, for the user
  int refusals = 0;   // attempts that found no free instance
};

// Connects to the pipe named baseName (no "\\.\pipe\"), retrying while no
// instance is there (or, on Windows, while it is busy) until limit has passed.
Connection ConnectPipe(const std::string& baseName, std::chrono::milliseconds limit);

}  // namespace jobhost::ctl
