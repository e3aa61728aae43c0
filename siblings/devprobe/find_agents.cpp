#include "find_agents.h"

#include <algorithm>

#include "dnssd_browse.h"
#include "snmp_browse.h"
#include "wsd_browse.h"

namespace jobhost::devprobe {

namespace {

constexpr char kLimitedBroadcast[] = "255.255.255.255";
constexpr char kAllNodes[] = "ff02::1";

bool IsLimitedBroadcast(const Endpoint& endpoint) {
  return endpoint.family == AddressFamily::kIpv4 &&
         std::all_of(endpoint.address.begin(), endpoint.address.begin() + 4,
                     [](std::uint8_t byte) { return byte == 0xFF; });
}

// "[fe80::1%2]" is accepted as well as "fe80::1%2".
std::string WithoutBrackets(const std::string& target) {
  if (target.size() >= 2 && target.front() == '[' && target.back() == ']') {
    return target.substr(1, target.size() - 2);
  }
  return target;
}

void AddOnce(std::vector<Endpoint>& destinations, const Endpoint& destination) {
  const bool known = std::ranges::any_of(destinations, [&](const Endpoint& other) {
    return other.SameAddress(destination) && other.scopeId == destination.scopeId;
  });
  if (!known) destinations.push_back(destination);
}

// By itself the limited broadcast leaves only through the interface of the
// default route, so it goes out through every interface that has a
// broadcast address (a LAN without a gateway is searched too, and agents
// that ignore directed broadcasts answer), and each interface's own
// broadcast address is asked as well.
void AddInterfaceBroadcasts(Network& network, const Endpoint& limited,
                            std::vector<Endpoint>& destinations) {
  std::vector<Endpoint> added;
  for (const Ipv4Interface& found : network.Ipv4Interfaces()) {
    if (!found.broadcast) continue;
    Endpoint onInterface = limited;
    onInterface.scopeId = found.index;
    AddOnce(added, onInterface);
    Endpoint broadcast = *found.broadcast;
    broadcast.port = limited.port;
    AddOnce(added, broadcast);
  }
  if (added.empty()) added.push_back(limited);
  for (const Endpoint& destination : added) AddOnce(destinations, destination);
}

// A multicast group without an interface is asked on every interface that
// does multicast; with none, the system picks one.
void AddGroupOnInterfaces(Network& network, const Endpoint& group,
                          std::vector<Endpoint>& destinations) {
  for (std::uint32_t index : network.Ipv6MulticastInterfaces()) {
    Endpoint onInterface = group;
    onInterface.scopeId = index;
    AddOnce(destinations, onInterface);
  }
  if (destinations.empty()) destinations.push_back(group);
}

// The hosts a broadcast search also asks one by one: those of the ranges,
// and .1 to .254 of the /24 of a directed broadcast target (x.y.z.255),
// since routers drop directed broadcasts and many agents ignore them.
std::vector<Ipv4HostRun> SweepRuns(const Endpoint& target, const SearchOptions& options) {
  std::vector<Ipv4Range> ranges = options.ranges;
  if (target.address[3] == 0xFF && !IsLimitedBroadcast(target)) {
    const std::uint32_t network = (std::uint32_t{target.address[0]} << 24) |
                                  (std::uint32_t{target.address[1]} << 16) |
                                  (std::uint32_t{target.address[2]} << 8);
    ranges.push_back({network, 24});
  }
  return RangeHostRuns(ranges);
}

// The network of one call: its interfaces are listed once, however many of
// the call's parts (the plan, DNS-SD, WS-Discovery) look at them, since
// listing them costs the call's time.
class OneLookNetwork : public Network {
 public:
  explicit OneLookNetwork(Network& network) : network_(network) {}
  std::optional<Endpoint> Resolve(const std::string& host, AddressFamily family) override {
    return network_.Resolve(host, family);
  }
  std::vector<Ipv4Interface> Ipv4Interfaces() override {
    if (!ipv4_) ipv4_ = network_.Ipv4Interfaces();
    return *ipv4_;
  }
  std::vector<std::uint32_t> Ipv6MulticastInterfaces() override {
    if (!ipv6_) ipv6_ = network_.Ipv6MulticastInterfaces();
    return *ipv6_;
  }
  std::vector<network::Ipv6Prefix> Ipv6Prefixes() override {
    if (!prefixes_) prefixes_ = network_.Ipv6Prefixes();
    return *prefixes_;
  }
  std::unique_ptr<DatagramChannel> OpenChannel(AddressFamily family, bool broadcast) override {
    return network_.OpenChannel(family, broadcast);
  }

 private:
  Network& network_;
  std::optional<std::vector<Ipv4Interface>> ipv4_;
  std::optional<std::vector<std::uint32_t>> ipv6_;
  std::optional<std::vector<network::Ipv6Prefix>> prefixes_;
};

// Where a protocol's questions go: its group on every interface, or a
// one-host target's port of that protocol.
template <typename Groups>
std::vector<Endpoint> GroupsOrTarget(const CollectPlan& plan, std::uint16_t port, Groups groups) {
  if (!plan.oneHost) return groups();
  Endpoint host = plan.destinations.front();
  host.port = port;
  return {host};
}

std::unique_ptr<BrowseProtocol> AskDnsSd(Network& network, const FindRequest& request,
                                         const CollectPlan& plan) {
  return std::make_unique<DnsSdBrowse>(
      request.family, network.Ipv4Interfaces(),
      GroupsOrTarget(plan, dnssd::kMdnsPort,
                     [&] { return dnssd::MdnsGroupOnInterfaces(network, request.family); }),
      plan.oneHost, request.options.port, static_cast<std::uint16_t>(NewRequestId()));
}

std::unique_ptr<BrowseProtocol> AskWsd(Network& network, const FindRequest& request,
                                       const CollectPlan& plan, wsd::HttpPoster* http) {
  return std::make_unique<WsdBrowse>(
      network, request.family,
      GroupsOrTarget(plan, kWsdPort, [&] { return WsdGroupOnInterfaces(network, request.family); }),
      plan.oneHost, request.options.port, http);
}

}  // namespace

std::optional<CollectPlan> PlanSearch(Network& network, const FindRequest& request) {
  const bool ipv6 = request.family == AddressFamily::kIpv6;
  std::string target = ipv6 ? WithoutBrackets(request.target) : request.target;
  if (target.empty()) {
    // The default target is a broadcast; one host must be named.
    if (!request.broadcast) return std::nullopt;
    target = ipv6 ? kAllNodes : kLimitedBroadcast;
  }
  std::optional<Endpoint> resolved = network.Resolve(target, request.family);
  if (!resolved) return std::nullopt;
  resolved->port = request.options.port;

  CollectPlan plan;
  plan.oneHost = !request.broadcast;
  plan.timeoutMs = request.timeoutMs;
  plan.attempts = request.attempts;
  plan.sweepRate = request.options.sweepRate;
  plan.sweepPort = request.options.port;
  if (request.broadcast && !ipv6) plan.sweep = SweepRuns(*resolved, request.options);
  if (request.broadcast && resolved->IsIpv6Multicast() && resolved->scopeId == 0) {
    AddGroupOnInterfaces(network, *resolved, plan.destinations);
    return plan;
  }
  if (request.broadcast && IsLimitedBroadcast(*resolved)) {
    AddInterfaceBroadcasts(network, *resolved, plan.destinations);
  } else {
    plan.destinations.push_back(*resolved);
  }
  return plan;
}

int FindAgents(Network& system, Clock& clock, const AgentProbe& probe, const FindRequest& request,
               const AgentReport& report, wsd::HttpPoster* http, SearchFailure* failure) {
  const std::int64_t start = request.startMs.value_or(clock.NowMs());
  OneLookNetwork network(system);
  std::optional<CollectPlan> plan = PlanSearch(network, request);
  if (!plan) return SearchFailed(failure, SearchFailure::kNoPlan);
  plan->startMs = start;
  const std::unique_ptr<DatagramChannel> channel =
      network.OpenChannel(request.family, request.broadcast);
  if (!channel) return SearchFailed(failure, SearchFailure::kNoSocket);
  // The protocols asked, in the order their reports and names rank.
  std::vector<std::unique_ptr<BrowseProtocol>> asked;
  asked.push_back(std::make_unique<SnmpBrowse>(probe, *plan));
  if (request.options.dnssd) asked.push_back(AskDnsSd(network, request, *plan));
  if (request.options.wsd) asked.push_back(AskWsd(network, request, *plan, http));
  std::vector<BrowseProtocol*> protocols;
  for (const auto& protocol : asked) protocols.push_back(protocol.get());
  return CollectAgents(*channel, clock, *plan, protocols, report, failure);
}

}  // namespace jobhost::devprobe
