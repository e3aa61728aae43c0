#pragma once
// The WS-Discovery side of a find call: Probes for printers from the call's
// own socket beside its SNMP requests, one Resolve for a match that came
// without transport addresses, and each printer's name by a WS-Transfer Get
// of its metadata over HTTP.

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "browse_protocol.h"
#include "endpoint.h"
#include "network.h"
#include "support/bytes.h"
#include "wsd/http_post.h"
#include "wsd/soap_messages.h"

namespace jobhost::devprobe {

inline constexpr std::uint16_t kWsdPort = 3702;
// Bounds what a flood of answers can make one call keep and ask: no host
// fills the matches for others, and what is kept of them all stays small.
inline constexpr std::size_t kMaxWsdMatches = 256;
inline constexpr int kMaxWsdMatchesPerSource = 8;
inline constexpr std::size_t kMaxWsdEndpointBytes = 256;
inline constexpr std::size_t kMaxWsdStateBytes = 1 << 20;
// One Get per printer that needs a name; the deadline bounds their time and
// the few at a time (wsd::kMaxPostsInFlight) their memory.
inline constexpr int kMaxWsdGets = static_cast<int>(kMaxWsdMatches);
// The longest the wait for answers sleeps while Gets run: HTTP moves on only
// when polled.
inline constexpr int kWsdPollMs = 10;

// The WS-Discovery group of the family (239.255.255.250, ff02::c), port 3702,
// once on every interface that is up and does multicast.
std::vector<Endpoint> WsdGroupOnInterfaces(Network& network, AddressFamily family);

class WsdBrowse : public BrowseProtocol {
 public:
  using MessageIds = std::function<std::string()>;

  // destinations: the group on every interface, or one host's port 3702
  // (oneHost: only that host's answers count, and they name it). http: where
  // the Gets go (none: no names). Printers are reported as agents on
  // agentPort.
  WsdBrowse(Network& network, AddressFamily family, std::vector<Endpoint> destinations,
            bool oneHost, std::uint16_t agentPort, wsd::HttpPoster* http,
            MessageIds newMessageId = wsd::NewMessageId);

  // Sends a Probe with a fresh message id to every destination; the number
  // of datagrams sent.
  int SendRound(DatagramChannel& channel) override;
  // While Gets run: HTTP moves on only when polled.
  std::optional<std::int64_t> WakeUpMs(std::int64_t now) const override;
  // Starts the Gets that are due, each to end by the deadline, and takes the
  // replies that come within waitMs; none is read once the deadline passed.
  void Poll(Clock& clock, std::int64_t deadline, int waitMs) override;
  // True while a Get runs or waits to start.
  bool Naming() const;
  // Claims the datagram when it answers one of this call's Probes or
  // Resolves.
  Taken Take(DatagramChannel& channel, const Endpoint& from, ByteView datagram) override;
  // An agent another protocol has named: its Get is not spent.
  void Named(const Endpoint& agent) override;

  // Each printer once per address, in the order they answered; its name
  // stays empty until a Get named it.
  std::vector<FoundPrinter> Printers() const override;

 private:
  enum class NameState { kNone, kDue, kRunning, kDone };
  struct Match {
    std::string endpoint;
    Endpoint address;
    std::optional<wsd::HttpTarget> target;
    NameState naming = NameState::kNone;
    std::string name;
    bool hasTransportAddresses = false;
  };

  bool FromLink(const Endpoint& from) const;
  bool Counts(const Endpoint& from);
  static std::size_t KeptBytes(const Match& match);
  void Keep(DatagramChannel& channel, const Endpoint& from, const wsd::DiscoveryMatch& found);
  void Locate(Match& match, const Endpoint& from, const std::vector<std::string>& addresses);
  std::optional<Endpoint> AddressOnLink(const std::string& host, const Endpoint& from);
  void IndexAddresses();
  bool Represents(std::size_t index) const;
  bool GetDue(std::size_t index) const;

  Network& network_;
  AddressFamily family_;
  std::vector<Ipv4Interface> interfaces_;
  std::vector<network::Ipv6Prefix> prefixes_;
  std::vector<Endpoint> destinations_;
  bool oneHost_;
  std::uint16_t agentPort_;
  wsd::HttpPoster* http_;
  MessageIds newMessageId_;
  std::set<std::string> messageIds_;
  std::vector<Match> matches_;
  // Matches by endpoint reference, and the first match at each address.
  std::map<std::string, std::size_t, std::less<>> byEndpoint_;
  std::map<AgentKey, std::size_t> firstAt_;
  std::set<AgentKey> namedElsewhere_;
  std::map<AgentKey, int> matchesFrom_;
  std::set<AgentKey> ignoredSources_;
  std::size_t keptBytes_ = 0;
  int getsStarted_ = 0;
};

}  // namespace jobhost::devprobe
