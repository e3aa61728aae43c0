#include "exchange.h"

#include <gtest/gtest.h>

#include <deque>

#include "fakes/fake_clock.h"

namespace jobhost::ctl {
namespace {

using namespace std::chrono_literals;

// One scripted connection: what its send and its receive meet.
struct Step {
  SendStatus send = SendStatus::kSent;
  ReceiveStatus receive = ReceiveStatus::kMessage;
  bool trustedServer = true;
};

class ScriptedClient : public PipeClient {
 public:
  explicit ScriptedClient(Step step) : step_(step) {}
  ServerAccount Server() override { return {step_.trustedServer, "uid 65534", ""}; }
  SendStatus Send(std::span<const std::uint8_t>) override {
    if (!step_.trustedServer) ADD_FAILURE() << "sent to a server of another account";
    return step_.send;
  }
  Received Receive(std::chrono::milliseconds) override {
    return {step_.receive,
            step_.receive == ReceiveStatus::kMessage ? std::vector<std::uint8_t>{1}
                                                     : std::vector<std::uint8_t>{},
            ""};
  }

 private:
  Step step_;
};

struct ExchangeCase {
  const char* rule;
  std::vector<Step> steps;  // one per connection; none left: no instance
  std::chrono::milliseconds connectLimit;
  ExchangeStatus status;
  int resets;
  std::size_t connections;
  std::vector<std::chrono::milliseconds> pauses = {};
};

TEST(JobhostCtlExchange, OnlyAConnectionThatWasNotServedIsTriedAgain) {
  constexpr Step kReply{};
  constexpr Step kResetOnSend{SendStatus::kReset};
  constexpr Step kResetOnReceive{SendStatus::kSent, ReceiveStatus::kReset};
  constexpr Step kEnded{SendStatus::kSent, ReceiveStatus::kEnded};
  const ExchangeCase cases[] = {
      {"ReplyAtOnce", {kReply}, 10s, ExchangeStatus::kReply, 0, 1},
      {"ResetsAreRetried",
       {kResetOnSend, kResetOnReceive, kReply},
       10s,
       ExchangeStatus::kReply,
       2,
       3,
       {10ms, 20ms}},
      {"PausesDoubleTo200msUntilTheLimit",
       std::vector<Step>(20, kResetOnReceive),
       1s,
       ExchangeStatus::kNoConnection,
       10,
       10,
       {10ms, 20ms, 40ms, 80ms, 160ms, 200ms, 200ms, 200ms, 90ms}},
      // An orderly end is the service's answer: never sent again.
      {"EndedIsNotRetried", {kEnded, kReply}, 10s, ExchangeStatus::kEnded, 0, 1},
      {"SendFailureIsNotRetried",
       {{SendStatus::kFailed}, kReply},
       10s,
       ExchangeStatus::kSendFailed,
       0,
       1},
      {"ResetAfterTheLimitIsNotConnected",
       {kResetOnReceive, kReply},
       0ms,
       ExchangeStatus::kNoConnection,
       1,
       1},
      {"NoInstanceIsNotConnected", {}, 10s, ExchangeStatus::kNoConnection, 0, 0},
      {"AnotherAccountsServerGetsNothing",
       {{.trustedServer = false}, kReply},
       10s,
       ExchangeStatus::kWrongServer,
       0,
       1},
  };
  for (const ExchangeCase& c : cases) {
    SCOPED_TRACE(c.rule);
    std::deque<Step> steps(c.steps.begin(), c.steps.end());
    std::size_t connections = 0;
    auto connect = [&](std::chrono::milliseconds) {
      if (steps.empty()) return Connection{ConnectStatus::kNoInstance, nullptr, "none", 2};
      ++connections;
      Step step = steps.front();
      steps.pop_front();
      return Connection{ConnectStatus::kConnected, std::make_unique<ScriptedClient>(step), "", 1};
    };
    ExchangeCounts counts;
    testing::FakeClock clock;
    ExchangeResult result = Exchange(connect, {{}, c.connectLimit, 1s}, counts, clock);
    EXPECT_EQ(result.status, c.status);
    if (c.status == ExchangeStatus::kWrongServer) {
      EXPECT_EQ(result.detail, "the pipe is served by uid 65534");
    }
    EXPECT_EQ(clock.sleeps, c.pauses);
    EXPECT_EQ(counts.resets, c.resets);
    EXPECT_EQ(connections, c.connections);
    EXPECT_EQ(counts.refusals, c.connections == 0 ? 2 : static_cast<int>(c.connections));
  }
}

}  // namespace
}  // namespace jobhost::ctl
