#pragma once
// The wait for answers: sends a probe's requests to every destination,
// re-sends them at even steps within the time-out, and reports each agent
// that answers once.

#include <functional>
#include <string>
#include <vector>

#include "agent_probes.h"
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
};

using AgentReport = std::function<void(const Endpoint& agent, const std::string& name)>;

// The number of agents reported, or -1 when not one request could be sent or
// the socket failed before any agent answered.
int CollectAgents(DatagramChannel& channel, Clock& clock, const AgentProbe& probe,
                  const CollectPlan& plan, const AgentReport& report);

}  // namespace jobhost::devprobe
