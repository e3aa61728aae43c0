#include "collect_agents.h"

#include <algorithm>
#include <map>
#include <set>

#include "network/send_schedule.h"

namespace jobhost::devprobe {

namespace {

// The names the protocols give addresses as they stand when this is made:
// for each address the first name in list order. Each protocol's printers
// are read once and found by address in an index, so naming many agents
// costs no scan each.
class KnownNames {
 public:
  explicit KnownNames(std::span<BrowseProtocol* const> protocols) {
    for (const BrowseProtocol* protocol : protocols) found_.push_back(protocol->Printers());
    for (const std::vector<FoundPrinter>& printers : found_) {
      for (const FoundPrinter& printer : printers) {
        if (!printer.name.empty()) names_.try_emplace(KeyOf(printer.address), &printer.name);
      }
    }
  }
  KnownNames(const KnownNames&) = delete;  // the index points into the printers
  KnownNames& operator=(const KnownNames&) = delete;

  std::string Of(const Endpoint& agent) const {
    const auto found = names_.find(KeyOf(agent));
    return found == names_.end() ? std::string() : *found->second;
  }
  // Each protocol's printers, in list order.
  const std::vector<std::vector<FoundPrinter>>& Found() const { return found_; }

 private:
  std::vector<std::vector<FoundPrinter>> found_;
  std::map<AgentKey, const std::string*> names_;
};

// The reports of one wait: each agent at most once, a nameless one kept
// until the end of the wait when a name may still come.
class Reports {
 public:
  Reports(std::span<BrowseProtocol* const> protocols, bool oneHost, const AgentReport& report)
      : protocols_(protocols),
        oneHost_(oneHost),
        report_(report),
        givesNames_(std::ranges::any_of(protocols, &BrowseProtocol::GivesNames)) {}

  void Answered(const Endpoint& agent, const AgentAnswer& answer) {
    const bool wantsName = answer.wanted && givesNames_ && answer.name.empty();
    if (wantsName && !oneHost_ && waiting_.size() < kMaxAgentsWaitingForName) {
      waiting_.push_back(agent);
      return;
    }
    const std::string name = wantsName && oneHost_ ? KnownNames(protocols_).Of(agent) : answer.name;
    // A name that stands needs no other.
    if (!answer.name.empty()) {
      for (BrowseProtocol* protocol : protocols_) protocol->Named(agent);
    }
    if (answer.wanted) Report(agent, name);
  }

  // The agents that waited for a name, then each protocol's printers at
  // addresses no report covered.
  void AtEnd() {
    const KnownNames names(protocols_);
    for (const Endpoint& agent : waiting_) Report(agent, names.Of(agent));
    for (const std::vector<FoundPrinter>& printers : names.Found()) {
      for (const FoundPrinter& printer : printers) {
        if (!covered_.contains(KeyOf(printer.address))) Report(printer.address, printer.name);
      }
    }
  }
  int Count() const { return reported_; }

 private:
  void Report(const Endpoint& agent, const std::string& name) {
    if (!report_(agent, name)) return;
    covered_.insert(KeyOf(agent));
    ++reported_;
  }

  std::span<BrowseProtocol* const> protocols_;
  bool oneHost_;
  const AgentReport& report_;
  bool givesNames_;
  std::set<AgentKey> covered_;
  std::vector<Endpoint> waiting_;
  int reported_ = 0;
};

int SendRounds(DatagramChannel& channel, std::span<BrowseProtocol* const> protocols) {
  int sent = 0;
  for (BrowseProtocol* protocol : protocols) sent += protocol->SendRound(channel);
  return sent;
}

int SendPaced(DatagramChannel& channel, Clock& clock, std::span<BrowseProtocol* const> protocols,
              std::int64_t deadline) {
  int sent = 0;
  for (BrowseProtocol* protocol : protocols) sent += protocol->SendPaced(channel, clock, deadline);
  return sent;
}

std::int64_t WakeUpMs(const network::SendSchedule& schedule,
                      std::span<BrowseProtocol* const> protocols, std::int64_t now) {
  std::int64_t wakeUp = schedule.WakeUpMs();
  for (const BrowseProtocol* protocol : protocols) {
    if (const auto due = protocol->WakeUpMs(now)) wakeUp = std::min(wakeUp, *due);
  }
  return wakeUp;
}

// The first protocol in list order that claims the datagram takes it; the
// agent answer it carried, if any.
std::optional<AgentAnswer> TakeDatagram(DatagramChannel& channel,
                                        std::span<BrowseProtocol* const> protocols,
                                        const Endpoint& from, ByteView datagram) {
  for (BrowseProtocol* protocol : protocols) {
    Taken taken = protocol->Take(channel, from, datagram);
    if (taken.claimed) return std::move(taken.answer);
  }
  return std::nullopt;
}

}  // namespace

int SearchFailed(SearchFailure* failure, SearchFailure why) {
  if (failure) *failure = why;
  return -1;
}

int CollectAgents(DatagramChannel& channel, Clock& clock, const CollectPlan& plan,
                  std::span<BrowseProtocol* const> protocols, const AgentReport& report,
                  SearchFailure* failure) {
  if (plan.destinations.empty()) return SearchFailed(failure, SearchFailure::kNoPlan);
  const std::int64_t start = plan.startMs.value_or(clock.NowMs());
  for (BrowseProtocol* protocol : protocols) protocol->Begin(start);
  network::SendSchedule schedule(start, plan.timeoutMs, plan.attempts);
  const std::int64_t deadline = schedule.DeadlineMs();
  const bool paces = std::ranges::any_of(protocols, &BrowseProtocol::Paces);
  Reports reports(protocols, plan.oneHost, report);
  network::DatagramBuffer buffer;
  int delivered = 0;
  bool failed = false;
  for (;;) {
    if (schedule.Due(clock.NowMs())) {
      const int sent = SendRounds(channel, protocols);
      if (sent == 0 && schedule.FirstSend() && !paces) {
        return SearchFailed(failure, SearchFailure::kNothingSent);
      }
      delivered += sent;
      schedule.Sent();
    }
    delivered += SendPaced(channel, clock, protocols, deadline);
    const std::int64_t now = clock.NowMs();
    if (now >= deadline) break;

    std::size_t size = 0;
    Endpoint from;
    const ReceiveStatus status = channel.Receive(
        buffer.Room(), static_cast<int>(WakeUpMs(schedule, protocols, now) - now), size, from);
    if (status == ReceiveStatus::kFailed) {
      failed = true;
      break;
    }
    for (BrowseProtocol* protocol : protocols) protocol->Poll(clock, deadline, 0);
    if (status != ReceiveStatus::kDatagram) continue;
    const auto answer = TakeDatagram(channel, protocols, from, buffer.Received(size));
    if (!answer) continue;
    reports.Answered(from, *answer);
    if (plan.oneHost) break;
  }
  reports.AtEnd();
  if (delivered == 0) return SearchFailed(failure, SearchFailure::kNothingSent);
  if (failed && reports.Count() == 0) return SearchFailed(failure, SearchFailure::kSocketFailed);
  return reports.Count();
}

}  // namespace jobhost::devprobe
