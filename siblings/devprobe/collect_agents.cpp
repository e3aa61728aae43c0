#include "collect_agents.h"

#include <algorithm>
#include <map>
#include <set>

#include "network/send_schedule.h"

namespace jobhost::devprobe {

namespace {

int SendRequests(DatagramChannel& channel, const AgentProbe& probe, const CollectPlan& plan) {
  int sent = 0;
  for (const Endpoint& destination : plan.destinations) {
    for (const Bytes& request : probe.Requests()) {
      if (channel.Send(destination, request)) ++sent;
    }
  }
  return sent;
}

bool FromTarget(const CollectPlan& plan, const Endpoint& from) {
  const Endpoint& target = plan.destinations.front();
  return from.SameAddress(target) && from.port == target.port;
}

// The unicast sweep: datagram k of it is due k / rate seconds after the
// start, so a late wake-up catches up without ever exceeding the rate on
// average. The clock is read before every datagram: when sending costs more
// than the pace, the backlog must not go out after the deadline. Hosts are
// made from the runs as they are asked.
class Sweep {
 public:
  Sweep(const CollectPlan& plan, const AgentProbe& probe, std::int64_t start)
      : plan_(plan), requests_(probe.Requests()), start_(start) {}

  bool Done() const { return run_ >= plan_.sweep.size() || requests_.empty(); }
  std::int64_t NextDueMs() const {
    return start_ + static_cast<std::int64_t>(sent_) * 1000 / std::max(plan_.sweepRate, 1);
  }
  // Sends what is due until the deadline; the number sent.
  int SendDue(DatagramChannel& channel, Clock& clock, std::int64_t deadline) {
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

 private:
  Endpoint Host() const {
    return network::Ipv4EndpointOfBits(plan_.sweep[run_].first + offset_, plan_.sweepPort);
  }
  void NextHost() {
    if (plan_.sweep[run_].first + offset_ == plan_.sweep[run_].last) {
      ++run_;
      offset_ = 0;
    } else {
      ++offset_;
    }
  }

  const CollectPlan& plan_;
  const std::vector<Bytes>& requests_;
  std::int64_t start_;
  std::size_t run_ = 0;
  std::uint32_t offset_ = 0;
  std::size_t request_ = 0;
  std::uint64_t sent_ = 0;
};

// The names the other protocols give addresses as they stand when this is
// made: DNS-SD's, else WSD's. DNS-SD's printers are built once, and found by
// address in an index, so naming many agents costs no scan each.
class OtherNames {
 public:
  OtherNames(const DnsSdBrowse* dnssd, const WsdBrowse* wsd)
      : dnssdPrinters_(dnssd ? dnssd->Printers() : std::vector<DnsSdPrinter>()), wsd_(wsd) {
    for (const DnsSdPrinter& printer : dnssdPrinters_) {
      dnssdNames_.emplace(KeyOf(printer.address), &printer.name);
    }
  }
  OtherNames(const OtherNames&) = delete;  // the index points into the printers
  OtherNames& operator=(const OtherNames&) = delete;

  std::string Of(const Endpoint& agent) const {
    const auto found = dnssdNames_.find(KeyOf(agent));
    if (found != dnssdNames_.end() && !found->second->empty()) return *found->second;
    return wsd_ ? wsd_->NameOf(agent) : std::string();
  }
  const std::vector<DnsSdPrinter>& DnsSdPrinters() const { return dnssdPrinters_; }

 private:
  const std::vector<DnsSdPrinter> dnssdPrinters_;
  std::map<AgentKey, const std::string*> dnssdNames_;
  const WsdBrowse* wsd_;
};

// The printers of one protocol at addresses no report covered.
template <typename Printer>
int ReportUncovered(const std::vector<Printer>& printers, std::set<AgentKey>& covered,
                    const AgentReport& report) {
  int reported = 0;
  for (const Printer& printer : printers) {
    if (!covered.contains(KeyOf(printer.address)) && report(printer.address, printer.name)) {
      covered.insert(KeyOf(printer.address));
      ++reported;
    }
  }
  return reported;
}

// The reports at the end of the wait: agents that waited for a name, then
// DNS-SD and WSD printers at addresses no report covered.
int ReportAtEnd(const DnsSdBrowse* dnssd, const WsdBrowse* wsd,
                const std::vector<Endpoint>& waiting, std::set<AgentKey>& covered,
                const AgentReport& report) {
  const OtherNames names(dnssd, wsd);
  int reported = 0;
  for (const Endpoint& agent : waiting) {
    if (report(agent, names.Of(agent))) {
      covered.insert(KeyOf(agent));
      ++reported;
    }
  }
  reported += ReportUncovered(names.DnsSdPrinters(), covered, report);
  if (wsd) reported += ReportUncovered(wsd->Printers(), covered, report);
  return reported;
}

}  // namespace

int SearchFailed(SearchFailure* failure, SearchFailure why) {
  if (failure) *failure = why;
  return -1;
}

int CollectAgents(DatagramChannel& channel, Clock& clock, const AgentProbe& probe,
                  const CollectPlan& plan, const AgentReport& report, DnsSdBrowse* dnssd,
                  WsdBrowse* wsd, SearchFailure* failure) {
  if (plan.destinations.empty()) return SearchFailed(failure, SearchFailure::kNoPlan);
  const std::int64_t start = plan.startMs.value_or(clock.NowMs());
  network::SendSchedule schedule(start, plan.timeoutMs, plan.attempts);
  const std::int64_t deadline = schedule.DeadlineMs();
  int delivered = 0;
  Sweep sweep(plan, probe, start);

  network::DatagramBuffer buffer;
  std::set<AgentKey> answered;
  std::set<AgentKey> covered;
  std::vector<Endpoint> waiting;
  int reported = 0;
  bool failed = false;
  for (;;) {
    std::int64_t now = clock.NowMs();
    if (schedule.Due(now)) {
      const int sent = SendRequests(channel, probe, plan) +
                       (dnssd ? dnssd->SendQuestions(channel) : 0) +
                       (wsd ? wsd->SendProbes(channel) : 0);
      if (sent == 0 && schedule.FirstSend() && plan.sweep.empty()) {
        return SearchFailed(failure, SearchFailure::kNothingSent);
      }
      delivered += sent;
      schedule.Sent();
      now = clock.NowMs();
    }
    delivered += sweep.SendDue(channel, clock, deadline);
    now = clock.NowMs();
    if (now >= deadline) break;

    std::int64_t wakeUp = schedule.WakeUpMs();
    if (!sweep.Done()) wakeUp = std::min(wakeUp, std::max(sweep.NextDueMs(), now));
    // HTTP moves on only when polled.
    if (wsd && wsd->Naming()) wakeUp = std::min(wakeUp, now + kWsdPollMs);
    std::size_t size = 0;
    Endpoint from;
    const ReceiveStatus status =
        channel.Receive(buffer.Room(), static_cast<int>(wakeUp - now), size, from);
    if (status == ReceiveStatus::kFailed) {
      failed = true;
      break;
    }
    if (wsd) wsd->Poll(clock, deadline, 0);
    if (status != ReceiveStatus::kDatagram) continue;

    const ByteView datagram = buffer.Received(size);
    if (dnssd && dnssd->Take(channel, from, datagram)) continue;
    if (wsd && wsd->Take(channel, from, datagram)) continue;
    if (plan.oneHost && !FromTarget(plan, from)) continue;
    if (answered.size() >= kMaxAnsweringAgents && !answered.contains(KeyOf(from))) continue;
    const auto answer = probe.MatchAnswer(datagram);
    if (!answer || !answered.insert(KeyOf(from)).second) continue;
    const bool wantsName = answer->wanted && (dnssd || wsd) && answer->name.empty();
    if (wantsName && !plan.oneHost && waiting.size() < kMaxAgentsWaitingForName) {
      waiting.push_back(from);
      continue;
    }
    const std::string name =
        wantsName && plan.oneHost ? OtherNames(dnssd, wsd).Of(from) : answer->name;
    // A name that stands needs no Get.
    if (wsd && !answer->name.empty()) wsd->Named(from);
    if (answer->wanted && report(from, name)) {
      covered.insert(KeyOf(from));
      ++reported;
    }
    if (plan.oneHost) break;
  }
  if (dnssd || wsd) reported += ReportAtEnd(dnssd, wsd, waiting, covered, report);
  if (delivered == 0) return SearchFailed(failure, SearchFailure::kNothingSent);
  if (failed && reported == 0) return SearchFailed(failure, SearchFailure::kSocketFailed);
  return reported;
}

}  // namespace jobhost::devprobe
