#pragma once
// One request and its reply over a fresh connection, as the driver package
// does it, retrying a connection that was not served within the connect limit.

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "pipe_client.h"
#include "system/clock.h"

namespace jobhost::ctl {

enum class ExchangeStatus {
  kReply,         // a reply arrived (or, without awaiting one, the message was sent)
  kEnded,         // the service ended the connection without a reply
  kNoConnection,  // not connected, or never served, within the connect limit
  kWrongServer,   // served by another account: nothing was sent
  kRefused,       // served by another account that refuses this one: nothing was sent
  kTimedOut,      // no reply within the reply limit
  kSendFailed,
  kFailed,
};

struct ExchangeRequest {
  std::span<const std::uint8_t> message;
  std::chrono::milliseconds connectLimit{};
  std::chrono::milliseconds replyLimit{};
  bool sendMessage = true;  // false: connect and send nothing
  bool awaitReply = true;   // false: close once the message is sent
};

struct ExchangeResult {
  ExchangeStatus status = ExchangeStatus::kFailed;
  std::vector<std::uint8_t> reply;
  std::string detail;  // why it failed or how it ended, for the user
};

// What a run met on its way: connections reset before they were served, and
// attempts that found no free instance of the pipe.
struct ExchangeCounts {
  int resets = 0;
  int refusals = 0;
};

// Connects within the limit it is given.
using Connector = std::function<Connection(std::chrono::milliseconds limit)>;

// The pauses before each retry after a reset: the first, doubled each time up
// to the last, so a client that is reset again and again does not spin.
inline constexpr std::chrono::milliseconds kFirstResetPause{10};
inline constexpr std::chrono::milliseconds kLongestResetPause{200};

// clock: the deadline of the connect limit, and the pauses.
ExchangeResult Exchange(const Connector& connect, const ExchangeRequest& request,
                        ExchangeCounts& counts, Clock& clock);

}  // namespace jobhost::ctl
