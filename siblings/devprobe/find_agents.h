#pragma once
// One find call of the library: where to ask (one host, a broadcast or
// multicast target, or the default of every interface) and the wait.

#include <optional>
#include <string>

#include "agent_probes.h"
#include "collect_agents.h"
#include "network.h"
#include "search_options.h"
#include "wsd/http_post.h"

namespace jobhost::devprobe {

struct FindRequest {
  AddressFamily family = AddressFamily::kIpv4;
  // false: target names one host, literal or name. true: target is a
  // broadcast address or multicast group, or empty for the default (the
  // limited broadcast, or the all-nodes group ff02::1).
  bool broadcast = false;
  std::string target;
  int timeoutMs = 0;
  int attempts = 1;
  SearchOptions options;
  // When the call started on the clock; the time-out counts from there.
  // Unset: when FindAgents starts.
  std::optional<std::int64_t> startMs;
};

// Where the requests go; nullopt when the target cannot be used.
std::optional<CollectPlan> PlanSearch(Network& network, const FindRequest& request);

// The number of agents reported, or -1 when the search could not be made
// (why, in failure).
// DNS-SD and WS-Discovery are asked too unless the options turn them off;
// WSD printers are named by Gets through http (none: they stay nameless).
int FindAgents(Network& network, Clock& clock, const AgentProbe& probe, const FindRequest& request,
               const AgentReport& report, wsd::HttpPoster* http = nullptr,
               SearchFailure* failure = nullptr);

}  // namespace jobhost::devprobe
