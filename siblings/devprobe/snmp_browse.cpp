#include "snmp_browse.h"

#include <algorithm>

namespace jobhost::devprobe {

std::int64_t Sweep::NextDueMs() const {
  return start_ + static_cast<std::int64_t>(sent_) * 1000 / std::max(plan_.sweepRate, 1);
}

int Sweep::SendDue(DatagramChannel& channel, Clock& clock, std::int64_t deadline) {
  int delivered = 0;
  while (!Done()) {
    const std::int64_t now = clock.NowMs();
    if (now >= deadline || NextDueMs() > now) break;
    if (channel.Send(Host(), requests_[request_])) ++delivered;
    ++sent_;
    if (++request_ == requests_.size()) {
      request_ = 0;
      NextHost();
    }
  }
  return delivered;
}

Endpoint Sweep::Host() const {
  return network::Ipv4EndpointOfBits(plan_.sweep[run_].first + offset_, plan_.sweepPort);
}

void Sweep::NextHost() {
  if (plan_.sweep[run_].first + offset_ == plan_.sweep[run_].last) {
    ++run_;
    offset_ = 0;
  } else {
    ++offset_;
  }
}

SnmpBrowse::SnmpBrowse(const AgentProbe& probe, const CollectPlan& plan)
    : probe_(probe), plan_(plan), sweep_(plan, probe.Requests()) {}

int SnmpBrowse::SendRound(DatagramChannel& channel) {
  int sent = 0;
  for (const Endpoint& destination : plan_.destinations) {
    for (const Bytes& request : probe_.Requests()) {
      if (channel.Send(destination, request)) ++sent;
    }
  }
  return sent;
}

std::optional<std::int64_t> SnmpBrowse::WakeUpMs(std::int64_t now) const {
  if (sweep_.Done()) return std::nullopt;
  return std::max(sweep_.NextDueMs(), now);
}

Taken SnmpBrowse::Take(DatagramChannel&, const Endpoint& from, ByteView datagram) {
  if (plan_.oneHost) {
    const Endpoint& target = plan_.destinations.front();
    if (!from.SameAddress(target) || from.port != target.port) return {};
  }
  if (answered_.size() >= kMaxAnsweringAgents && !answered_.contains(KeyOf(from))) return {};
  std::optional<AgentAnswer> answer = probe_.MatchAnswer(datagram);
  if (!answer) return {};
  // A second answer of the same agent is the other request's, or a re-send's.
  if (!answered_.insert(KeyOf(from)).second) return {true};
  return {true, std::move(answer)};
}

}  // namespace jobhost::devprobe
