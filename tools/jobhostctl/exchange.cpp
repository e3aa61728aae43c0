#include "exchange.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace jobhost::ctl {
namespace {

std::chrono::milliseconds Remaining(Clock& clock, std::int64_t deadlineMs) {
  return std::chrono::milliseconds(std::max<std::int64_t>(deadlineMs - clock.NowMs(), 0));
}

// Nothing to send to, or the service would close the connection unread.
ExchangeResult Unserved(const ServerAccount& server) {
  if (!server.refusedCaller.empty()) {
    return {ExchangeStatus::kRefused,
            {},
            "the service refused this account (" + server.refusedCaller +
                "): the pipe is served by " + server.name};
  }
  return {ExchangeStatus::kWrongServer, {}, "the pipe is served by " + server.name};
}

ExchangeResult FromReceived(Received received) {
  switch (received.status) {
    case ReceiveStatus::kMessage:
      return {ExchangeStatus::kReply, std::move(received.message), ""};
    case ReceiveStatus::kEnded:
      return {ExchangeStatus::kEnded, {}, std::move(received.detail)};
    case ReceiveStatus::kTimedOut:
      return {ExchangeStatus::kTimedOut, {}, ""};
    case ReceiveStatus::kReset:
    case ReceiveStatus::kFailed:
      break;
  }
  return {ExchangeStatus::kFailed, {}, std::move(received.detail)};
}

}  // namespace

ExchangeResult Exchange(const Connector& connect, const ExchangeRequest& request,
                        ExchangeCounts& counts, Clock& clock) {
  const std::int64_t deadlineMs = clock.NowMs() + request.connectLimit.count();
  std::chrono::milliseconds pause = kFirstResetPause;
  for (;;) {
    Connection connection = connect(Remaining(clock, deadlineMs));
    counts.refusals += connection.refusals;
    if (connection.status != ConnectStatus::kConnected)
      return {ExchangeStatus::kNoConnection, {}, std::move(connection.error)};
    // Another account behind the name would read the request and could
    // answer anything.
    ServerAccount server = connection.client->Server();
    if (!server.trusted) return Unserved(server);
    bool reset = false;
    if (request.sendMessage) {
      SendStatus sent = connection.client->Send(request.message);
      if (sent == SendStatus::kFailed)
        return {ExchangeStatus::kSendFailed, {}, "the message could not be sent"};
      reset = sent == SendStatus::kReset;
    }
    if (!reset && !request.awaitReply) return {ExchangeStatus::kReply, {}, ""};
    if (!reset) {
      Received received = connection.client->Receive(request.replyLimit);
      if (received.status != ReceiveStatus::kReset) return FromReceived(std::move(received));
    }
    // Never served: the request did not reach the service, so it is sent
    // again, after a pause.
    ++counts.resets;
    const std::chrono::milliseconds left = Remaining(clock, deadlineMs);
    if (left <= std::chrono::milliseconds(0))
      return {ExchangeStatus::kNoConnection, {}, "reset before it was served, within the limit"};
    clock.Sleep(std::min(pause, left));
    pause = std::min(2 * pause, kLongestResetPause);
  }
}

}  // namespace jobhost::ctl
