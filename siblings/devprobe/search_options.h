#pragma once
// The library's search parameter: "key=value" pairs separated by ";". Keys
// compare without letter case, blanks around keys and values are dropped and
// unknown keys are ignored, so the driver's parameter can carry options for
// other components too.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace jobhost::devprobe {

inline constexpr std::uint16_t kDefaultAgentPort = 161;
inline constexpr int kDefaultSweepRate = 4000;
// The most addresses all ranges of one parameter may cover: a /16.
inline constexpr std::uint32_t kMaxRangeAddresses = 65536;

// An IPv4 network, address and prefix length in host byte order.
struct Ipv4Range {
  std::uint32_t address = 0;
  int prefixLength = 32;
  bool operator==(const Ipv4Range&) const = default;
};

struct SearchOptions {
  // UDP port the agents listen on ("port=N", 1 to 65535).
  std::uint16_t port = kDefaultAgentPort;
  // Networks whose hosts a broadcast search also asks one by one
  // ("range=a.b.c.d/n[,...]", n from 16 to 32).
  std::vector<Ipv4Range> ranges;
  // Unicast requests per second of that sweep ("rate=N").
  int sweepRate = kDefaultSweepRate;
  // Report only agents that say they are printers ("printers=1").
  bool printersOnly = false;
  // Ask DNS-SD too ("dnssd=0" turns it off).
  bool dnssd = true;
  // Ask WS-Discovery too ("wsd=0" turns it off).
  bool wsd = true;
};

// nullopt when a known key has a value it cannot use: the search is then not
// made, rather than made somewhere the caller did not ask for.
std::optional<SearchOptions> ParseSearchOptions(std::string_view parameter);

// Consecutive IPv4 hosts, first to last, in host byte order.
struct Ipv4HostRun {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  bool operator==(const Ipv4HostRun&) const = default;
};

// The hosts of the ranges as ascending runs that neither touch nor overlap,
// so each host comes once: network and broadcast addresses are left out for
// prefixes shorter than 31. A few runs stand for up to 65,536 hosts, which
// are made one by one as they are asked.
std::vector<Ipv4HostRun> RangeHostRuns(const std::vector<Ipv4Range>& ranges);
std::uint64_t CountHosts(const std::vector<Ipv4HostRun>& runs);

}  // namespace jobhost::devprobe
