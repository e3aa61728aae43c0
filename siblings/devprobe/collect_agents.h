#pragma once
// The wait for answers: sends each protocol's round at even steps within the
// time-out and what it paces between them, hands each datagram to the
// protocols, and reports each agent once.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "browse_protocol.h"
#include "network.h"
#include "search_options.h"

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

// At most this many agents wait for a name; later ones are reported at once
// with their empty name.
inline constexpr std::size_t kMaxAgentsWaitingForName = 256;

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

// The number of agents reported, or -1 when not one datagram could be sent
// or the socket failed before anything was reported (why, in failure).
// protocols rank in their order: an answer's name stands before a name of
// a later protocol. An agent that answered without a name (SNMP) waits for
// the end of the wait to take the first name the list knows for its
// address (one host: the names that came before its answer); then each
// protocol's printers that no report covered are reported, in list order. A
// socket that fails ends the wait early, and what was found until then is
// reported.
int CollectAgents(DatagramChannel& channel, Clock& clock, const CollectPlan& plan,
                  std::span<BrowseProtocol* const> protocols, const AgentReport& report,
                  SearchFailure* failure = nullptr);

}  // namespace jobhost::devprobe
