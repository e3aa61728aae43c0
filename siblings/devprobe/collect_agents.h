#pragma once
// The wait for answers: sends a probe's requests to every destination,
// re-sends them at even steps within the time-out, sweeps the unicast hosts
// at a steady pace, and reports each agent that answers once.

#include <functional>
#include <string>
#include <vector>

#include "agent_probes.h"
#include "dnssd_browse.h"
#include "network.h"

namespace jobhost::devprobe {

struct CollectPlan {
  std::vector<Endpoint> destinations;
  // One host: only answers from destinations[0] count, and the first one
  // ends the wait.
  bool oneHost = false;
  int timeoutMs = 0;
  // How often the requests are sent, spread evenly over the time-out.
  int attempts = 1;
  // Hosts asked once each, besides the destinations, at most sweepRate
  // datagrams per second from the start; what the time-out leaves no room
  // for is not sent.
  std::vector<Endpoint> sweep;
  int sweepRate = 1;
};

// Hands an agent on; false when it was not reported (the search had
// reported it already, for one).
using AgentReport = std::function<bool(const Endpoint& agent, const std::string& name)>;

// The number of agents reported, or -1 when not one request could be sent or
// the socket failed before any agent answered. With dnssd, its questions go
// out with the requests; an agent without a name waits for the end of the
// wait to carry the DNS-SD name of its address (one host: the name that came
// before its answer), and DNS-SD printers no report covered are reported
// then.
int CollectAgents(DatagramChannel& channel, Clock& clock, const AgentProbe& probe,
                  const CollectPlan& plan, const AgentReport& report, DnsSdBrowse* dnssd = nullptr);

}  // namespace jobhost::devprobe
