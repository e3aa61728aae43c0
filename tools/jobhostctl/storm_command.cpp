// "jobhostctl storm": many clients send requests at once, each retrying as
// the driver package must; prints what they met.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "exchange.h"
#include "send_plan.h"
#include "system/clock.h"

namespace jobhost::ctl {
namespace {

constexpr std::string_view kStormHelp =
    R"(usage: jobhostctl storm [--prefix P | --pipe NAME] [OPTIONS] REQUEST

Starts CLIENTS clients at once; each sends REQUEST (UTF-8 text, as UTF-16LE)
REQUESTS times, one connection per request, retrying while no instance of the
pipe is free and when its connection is reset before the service took it.
Prints one line of figures: requests, replies, the other outcomes, resets
(connections reset before they were served), refusals (attempts that found
no free instance) and the time taken.

options:
  --prefix P, --pipe NAME   as for send
  --clients N          clients at once, at most 256 (default 6)
  --requests N         requests per client (default 150)
  --expect TEXT        the reply every request must get (default: any reply)
  --timeout S          connect limit of each request (default 10)
  --reply-timeout S    reply limit of each request (default 120)

exit codes: 0 every request got its reply (as expected), 1 otherwise,
2 usage error.
)";

const std::array<OptionRule, 7> kStormOptions = {
    OptionRule{"--prefix", true},        OptionRule{"--pipe", true},
    OptionRule{"--clients", true},       OptionRule{"--requests", true},
    OptionRule{"--expect", true},        OptionRule{"--timeout", true},
    OptionRule{"--reply-timeout", true},
};

// Each client is a thread; more than the system can start would abort the tool.
constexpr std::size_t kMostClients = 256;

struct StormPlan {
  std::string pipe;
  std::vector<std::uint8_t> message;
  std::size_t clients = 6;
  std::size_t requests = 150;
  std::optional<std::string> expected;
  std::chrono::milliseconds connectLimit = kDefaultConnectLimit;
  std::chrono::milliseconds replyLimit = kDefaultReplyLimit;
};

struct Tally {
  std::mutex mutex;
  std::size_t replies = 0, wrongReplies = 0, ended = 0, notConnected = 0, timedOut = 0, failed = 0;
  ExchangeCounts counts;
  std::string firstFailure;  // what the first request without its reply met

  void Add(const ExchangeResult& result, const StormPlan& plan, const ExchangeCounts& met) {
    std::lock_guard lock(mutex);
    counts.resets += met.resets;
    counts.refusals += met.refusals;
    const bool wrong = result.status == ExchangeStatus::kReply && plan.expected &&
                       DecodeReply(result.reply) != *plan.expected;
    if (wrong && firstFailure.empty()) firstFailure = "the reply " + DecodeReply(result.reply);
    if (result.status != ExchangeStatus::kReply && firstFailure.empty())
      firstFailure = result.detail.empty() ? "no detail" : result.detail;
    switch (result.status) {
      case ExchangeStatus::kReply:
        ++(wrong ? wrongReplies : replies);
        return;
      case ExchangeStatus::kEnded:
        ++ended;
        return;
      case ExchangeStatus::kNoConnection:
        ++notConnected;
        return;
      case ExchangeStatus::kTimedOut:
        ++timedOut;
        return;
      case ExchangeStatus::kWrongServer:
      case ExchangeStatus::kRefused:
      case ExchangeStatus::kSendFailed:
      case ExchangeStatus::kFailed:
        ++failed;
        return;
    }
  }
};

void RunClient(const StormPlan& plan, Tally& tally) {
  ExchangeRequest request{plan.message, plan.connectLimit, plan.replyLimit};
  auto connect = [&](std::chrono::milliseconds limit) { return ConnectPipe(plan.pipe, limit); };
  SteadyClock clock;
  for (std::size_t i = 0; i < plan.requests; ++i) {
    ExchangeCounts met;
    ExchangeResult result = Exchange(connect, request, met, clock);
    tally.Add(result, plan, met);
  }
}

std::string MakeStormPlan(const ParsedArguments& parsed, StormPlan& plan) {
  if (parsed.positional.size() != 1) return "give one REQUEST (quote it)";
  if (parsed.Has("--prefix") && parsed.Has("--pipe"))
    return "--prefix and --pipe exclude each other";
  plan.pipe = PipeFromOptions(parsed, JOBHOST_DEFAULT_PREFIX);
  plan.message = BuildRequestMessage({parsed.positional.front(), false, std::nullopt});
  plan.expected = parsed.Value("--expect");
  for (auto [name, count] :
       {std::pair{"--clients", &plan.clients}, std::pair{"--requests", &plan.requests}}) {
    if (auto text = parsed.Value(name)) {
      auto value = ParseCount(*text);
      if (!value || *value == 0) return std::string(name) + " needs a count above 0";
      *count = *value;
    }
  }
  if (plan.clients > kMostClients) return "--clients is at most " + std::to_string(kMostClients);
  std::string error;
  if (ReadSeconds(parsed, "--timeout", plan.connectLimit, error))
    ReadSeconds(parsed, "--reply-timeout", plan.replyLimit, error);
  return error;
}

}  // namespace

int RunStorm(std::span<const std::string> arguments) {
  ParsedArguments parsed = ParseArguments(arguments, kStormOptions);
  if (parsed.Has("--help")) return ShowHelp(kStormHelp);
  if (!parsed.error.empty()) return Fail(kExitUsage, parsed.error);
  StormPlan plan;
  if (std::string error = MakeStormPlan(parsed, plan); !error.empty())
    return Fail(kExitUsage, error);

  Tally tally;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> clients;
  for (std::size_t i = 0; i < plan.clients; ++i)
    clients.emplace_back([&] { RunClient(plan, tally); });
  for (std::thread& client : clients) client.join();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

  char line[320];
  std::snprintf(line, sizeof line,
                "requests %zu replies %zu wrong-replies %zu ended %zu not-connected %zu "
                "timed-out %zu failed %zu resets %d refusals %d seconds %.3f\n",
                plan.clients * plan.requests, tally.replies, tally.wrongReplies, tally.ended,
                tally.notConnected, tally.timedOut, tally.failed, tally.counts.resets,
                tally.counts.refusals, took.count());
  PrintOut(line);
  if (!tally.firstFailure.empty()) Fail(kExitFailed, "first failure: " + tally.firstFailure);
  return tally.replies == plan.clients * plan.requests ? kExitOk : kExitFailed;
}

}  // namespace jobhost::ctl
