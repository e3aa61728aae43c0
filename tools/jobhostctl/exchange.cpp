#include "exchange.h"

#include <algorithm>
#include <utility>

namespace jobhost::ctl {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Remaining(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return std::max(left, std::chrono::milliseconds(0));
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
                        ExchangeCounts& counts) {
  const Clock::time_point deadline = Clock::now() + request.connectLimit;
  for (;;) {
    Connection connection = connect(Remaining(deadline));
    counts.refusals += connection.refusals;
    if (connection.status != ConnectStatus::kConnected)
      return {ExchangeStatus::kNoConnection, {}, std::move(connection.error)};
    // Another account behind the name would read the request and could
    // answer anything.
    ServerAccount server = connection.client->Server();
    if (!server.trusted)
      return {ExchangeStatus::kWrongServer, {}, "the pipe is served by " + server.name};
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
    // Never served: the request did not reach the service, so it is sent again.
    ++counts.resets;
    if (Clock::now() >= deadline)
      return {ExchangeStatus::kNoConnection, {}, "reset before it was served, within the limit"};
  }
}

}  // namespace jobhost::ctl
