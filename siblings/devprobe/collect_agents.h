#pragma once
// The wait for answers: sends a probe's requests to every destination,
// re-sends them at even steps within the time-out, sweeps the unicast hosts
// at a steady pace, and reports each agent that answers once.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "agent_probes.h"
#include "dnssd_browse.h"
#include "network.h"
#include "search_options.h"
#include "wsd_browse.h"

namespace jobhost::devprobe {

struct CollectPlan {
  std::vector<Endpoint> destinations;
  // One host: only answers from destinations[0] count, and the first one
  // ends the wait.
  bool oneHost = false;
  int timeoutMs = 0;
  // How often the requests are sent, spread evenly over the time-out.
  int attempts = 1;
  // Hosts asked once each on sweepPort, besides the destinations, at most
  // sweepRate datagrams per second from the start; what the time-out leaves
  // no room for is not sent.
  std::vector<Ipv4HostRun> sweep;
  int sweepRate = 1;
  std::uint16_t sweepPort = kDefaultAgentPort;
  // When the call started on the clock: the time-out counts from there, so
  // what the call spent before the wait (planning, opening the socket) is
  // not added to it. Unset: the wait's own start.
  std::optional<std::int64_t> startMs{};
};

// Hands an agent on; false when it was not reported (the search had
// reported it already, for one).
using AgentReport = std::function<bool(const Endpoint& agent, const std::string& name)>;

// At most this many agents wait for a DNS-SD name; later ones are reported
// at once with their empty name.
inline constexpr std::size_t kMaxAgentsWaitingForName = 256;
// Each agent that answers is remembered for the rest of the call; past this
// many (far more than any LAN holds) strangers are ignored, so forged
// answers from ever new addresses cannot grow the call's memory.
inline constexpr std::size_t kMaxAnsweringAgents = 16384;

// Why a search could not be made.
enum class SearchFailure {
  kNone,
  kNoPlan,        // the target gave nowhere to send to
  kNoSocket,      // no socket could be opened
  kNothingSent,   // not one request could be sent
  kSocketFailed,  // the socket failed before anything was reported
};

// Records why in failure (when given) and returns -1.
int SearchFailed(SearchFailure* failure, SearchFailure why);

// The number of agents reported, or -1 when not one request could be sent or
// the socket failed before anything was reported (why, in failure). With dnssd and wsd, their
// questions and Probes go out with the requests; an agent without a name
// waits for the end of the wait to carry the DNS-SD name of its address,
// else its WSD name (one host: the names that came before its answer), and
// the DNS-SD, then the WSD printers no report covered are reported then. A
// socket that fails ends the wait early, and what was found until then is
// reported.
int CollectAgents(DatagramChannel& channel, Clock& clock, const AgentProbe& probe,
                  const CollectPlan& plan, const AgentReport& report, DnsSdBrowse* dnssd = nullptr,
                  WsdBrowse* wsd = nullptr, SearchFailure* failure = nullptr);

}  // namespace jobhost::devprobe
