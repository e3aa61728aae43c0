#pragma once
// The SNMP side of a find call: a probe's requests to the plan's
// destinations at each round, the unicast sweep between rounds, and the
// agents whose answers match.

#include <cstdint>
#include <set>
#include <vector>

#include "agent_probes.h"
#include "browse_protocol.h"
#include "collect_agents.h"

namespace jobhost::devprobe {

// Each agent that answers is remembered for the rest of the call; past this
// many (far more than any LAN holds) strangers are ignored, so forged
// answers from ever new addresses cannot grow the call's memory.
inline constexpr std::size_t kMaxAnsweringAgents = 16384;

// The unicast sweep: datagram k of it is due k / rate seconds after the
// start, so a late wake-up catches up without ever exceeding the rate on
// average. The clock is read before every datagram: when sending costs more
// than the pace, the backlog must not go out after the deadline. Hosts are
// made from the runs as they are asked.
class Sweep {
 public:
  Sweep(const CollectPlan& plan, const std::vector<Bytes>& requests)
      : plan_(plan), requests_(requests) {}

  void StartAt(std::int64_t start) { start_ = start; }
  bool Done() const { return run_ >= plan_.sweep.size() || requests_.empty(); }
  std::int64_t NextDueMs() const;
  // Sends what is due until the deadline; the number sent.
  int SendDue(DatagramChannel& channel, Clock& clock, std::int64_t deadline);

 private:
  Endpoint Host() const;
  void NextHost();

  const CollectPlan& plan_;
  const std::vector<Bytes>& requests_;
  std::int64_t start_ = 0;
  std::size_t run_ = 0;
  std::uint32_t offset_ = 0;
  std::size_t request_ = 0;
  std::uint64_t sent_ = 0;
};

class SnmpBrowse : public BrowseProtocol {
 public:
  // Both must outlive the browse.
  SnmpBrowse(const AgentProbe& probe, const CollectPlan& plan);

  void Begin(std::int64_t startMs) override { sweep_.StartAt(startMs); }
  int SendRound(DatagramChannel& channel) override;
  int SendPaced(DatagramChannel& channel, Clock& clock, std::int64_t deadline) override {
    return sweep_.SendDue(channel, clock, deadline);
  }
  bool Paces() const override { return !plan_.sweep.empty(); }
  std::optional<std::int64_t> WakeUpMs(std::int64_t now) const override;
  // Claims an answer to the probe; only the first one of an agent is handed
  // on (its other request's and re-sends' are dropped). One host: only that
  // host's answers count.
  Taken Take(DatagramChannel& channel, const Endpoint& from, ByteView datagram) override;

  // Its agents are reported as they answer, under the names they give.
  bool GivesNames() const override { return false; }
  std::vector<FoundPrinter> Printers() const override { return {}; }

 private:
  const AgentProbe& probe_;
  const CollectPlan& plan_;
  Sweep sweep_;
  std::set<AgentKey> answered_;
};

}  // namespace jobhost::devprobe
