#include <chrono>
#include <cstdio>

#include "arguments.h"
#include "commands.h"
#include "exchange.h"
#include "pipe_client.h"
#include "send_plan.h"
#include "system/clock.h"
#include "text_formats.h"

namespace jobhost::ctl {
namespace {

constexpr int kExitNoReply = 3;
constexpr int kExitNoConnection = 4;
constexpr int kExitReplyTimedOut = 5;

constexpr std::string_view kSendHelp =
    R"(usage: jobhostctl send [--prefix P | --pipe NAME] [OPTIONS] REQUEST

Connects to the job service's pipe, sends REQUEST (UTF-8 text) as one
UTF-16LE message without a terminator, reads one reply message and prints it
as UTF-8 followed by a line feed.

pipe:
  --prefix P           the family prefix (default ")" JOBHOST_DEFAULT_PREFIX R"("):
                       the pipe is P + "xpsnamedpipe"
  --pipe NAME          the pipe's name ("\\.\pipe\" may be given or left out)
  --timeout S          keep retrying for S seconds while no instance of the
                       pipe is there or it is busy, or the connection is reset
                       before the service took it (default 10); after a
                       reset it pauses 10 ms, doubling to 200 ms, first
  --reply-timeout S    wait at most S seconds for the reply (default 120)

message (instead of, or shaping, REQUEST):
  --nul                append a NUL unit to REQUEST
  --bytes N            pad the message with "x" units (or cut it) to N bytes;
                       without REQUEST the message is all padding
  --raw-hex HEX        send exactly these bytes (no REQUEST)
  --silent             connect and send nothing; wait up to --hold S seconds
                       (default 30) for the service to end the connection
  --vanish             send, then close at once without reading a reply

output:
  --reply-hex          print the reply's bytes in hex instead of as text

exit codes:
  0  reply printed (with --vanish: message sent)
  1  the message could not be sent, the pipe is served by an account other
     than this user's own (on Windows: or the system's; nothing is sent), the
     service refuses this account (on Linux the service serves its own user
     and root only and closes any other's connection unread: "the service
     refused this account (uid N): ..."; nothing is sent), or another failure
  2  usage error
  3  no reply: the service ended the connection without one (the message
     says how: "system error 109" on Windows, "end of stream" on Linux)
  4  could not connect, or was not served, within --timeout
  5  no reply within --reply-timeout (with --silent: within --hold)

S may have a fraction ("0.5").
)";

std::string SecondsText(std::chrono::milliseconds limit) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(limit.count()) / 1000.0);
  return text;
}

int Execute(const SendPlan& plan) {
  ExchangeRequest request{plan.message, plan.connectLimit, plan.replyLimit, !plan.silent,
                          !plan.vanish};
  ExchangeCounts counts;
  SteadyClock clock;
  ExchangeResult result =
      Exchange([&](std::chrono::milliseconds limit) { return ConnectPipe(plan.pipe, limit); },
               request, counts, clock);
  switch (result.status) {
    case ExchangeStatus::kReply:
      if (plan.vanish) return kExitOk;
      PrintOut((plan.replyHex ? FormatHex(result.reply) : DecodeReply(result.reply)) + "\n");
      return kExitOk;
    case ExchangeStatus::kEnded:
      return Fail(kExitNoReply,
                  "the service ended the connection without a reply (" + result.detail + ")");
    case ExchangeStatus::kNoConnection:
      return Fail(kExitNoConnection, "cannot connect to " + plan.pipe + ": " + result.detail);
    case ExchangeStatus::kTimedOut:
      return Fail(kExitReplyTimedOut, "no reply within " + SecondsText(plan.replyLimit) + " s");
    case ExchangeStatus::kWrongServer:
    case ExchangeStatus::kRefused:
      return Fail(kExitFailed, "nothing sent: " + result.detail);
    case ExchangeStatus::kSendFailed:
      return Fail(kExitFailed, "the message could not be sent");
    case ExchangeStatus::kFailed:
      break;
  }
  return Fail(kExitFailed, "reading the reply failed: " + result.detail);
}

}  // namespace

int RunSend(std::span<const std::string> arguments) {
  ParsedArguments parsed = ParseArguments(arguments, kSendOptions);
  if (parsed.Has("--help")) return ShowHelp(kSendHelp);
  if (!parsed.error.empty()) return Fail(kExitUsage, parsed.error);
  SendPlan plan;
  if (std::string error = MakeSendPlan(parsed, JOBHOST_DEFAULT_PREFIX, plan); !error.empty())
    return Fail(kExitUsage, error);
  return Execute(plan);
}

}  // namespace jobhost::ctl
