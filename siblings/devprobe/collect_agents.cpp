#include "collect_agents.h"

#include <algorithm>

namespace jobhost::devprobe {

namespace {

// The largest UDP payload, so no answer is ever cut.
constexpr std::size_t kDatagramCapacity = 65536;

int SendRequests(DatagramChannel& channel, const AgentProbe& probe, const CollectPlan& plan) {
  int sent = 0;
  for (const Endpoint& destination : plan.destinations) {
    for (const Bytes& request : probe.Requests()) {
      if (channel.Send(destination, request)) ++sent;
    }
  }
  return sent;
}

bool AlreadyReported(const std::vector<Endpoint>& reported, const Endpoint& agent) {
  return std::ranges::any_of(reported, [&](const Endpoint& known) {
    return known.SameAddress(agent) && known.scopeId == agent.scopeId;
  });
}

bool FromTarget(const CollectPlan& plan, const Endpoint& from) {
  const Endpoint& target = plan.destinations.front();
  return from.SameAddress(target) && from.port == target.port;
}

}  // namespace

int CollectAgents(DatagramChannel& channel, Clock& clock, const AgentProbe& probe,
                  const CollectPlan& plan, const AgentReport& report) {
  if (plan.destinations.empty()) return -1;
  const int timeoutMs = std::max(plan.timeoutMs, 0);
  const int attempts = std::max(plan.attempts, 1);
  const std::int64_t start = clock.NowMs();
  const std::int64_t deadline = start + timeoutMs;
  std::int64_t nextSend = start;
  int sends = 0;

  std::vector<std::uint8_t> buffer(kDatagramCapacity);
  std::vector<Endpoint> reported;
  for (;;) {
    std::int64_t now = clock.NowMs();
    if (sends < attempts && now >= nextSend) {
      if (SendRequests(channel, probe, plan) == 0 && sends == 0) return -1;
      ++sends;
      nextSend = start + static_cast<std::int64_t>(timeoutMs) * sends / attempts;
      now = clock.NowMs();
    }
    if (now >= deadline) break;

    const std::int64_t wakeUp = sends < attempts ? std::min(deadline, nextSend) : deadline;
    std::size_t size = 0;
    Endpoint from;
    const ReceiveStatus status = channel.Receive(
        buffer, static_cast<int>(std::max<std::int64_t>(wakeUp - now, 0)), size, from);
    if (status == ReceiveStatus::kFailed) return reported.empty() ? -1 : int(reported.size());
    if (status != ReceiveStatus::kDatagram) continue;

    if (plan.oneHost && !FromTarget(plan, from)) continue;
    const auto name = probe.MatchAnswer(ByteView(buffer.data(), std::min(size, buffer.size())));
    if (!name || AlreadyReported(reported, from)) continue;
    reported.push_back(from);
    report(from, *name);
    if (plan.oneHost) break;
  }
  return static_cast<int>(reported.size());
}

}  // namespace jobhost::devprobe
