// The library's exports: argument checks and the bridge from the C calling
// interface to the portable discovery code. Every callback is made on the
// calling thread, one at a time, before the export returns; an agent is
// reported once per search, and each thread makes searches of its own.

#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>

#include "abi/calling_convention.h"
#include "abi/discovery_abi.h"
#include "find_agents.h"
#include "search_memory.h"
#include "system/debug_channel.h"

namespace jobhost::devprobe {
namespace {

constexpr char kDefaultCommunity[] = "public";
// SNMPv1/v2c requests go out twice: at the start and half-way through.
constexpr int kCommunityAttempts = 2;
constexpr int kMaxRetries = 10;
constexpr std::int32_t kFailed = -1;

// Why a call returns -1, as its debug line names it.
constexpr char kNoCallback[] = "no callback";
constexpr char kBadParameter[] = "the parameter text cannot be read";
constexpr char kNoNetwork[] = "no socket: the network cannot be used";
constexpr char kNoMemory[] = "the search failed: out of memory or an internal error";

const char* CauseOf(SearchFailure failure) {
  switch (failure) {
    case SearchFailure::kNoPlan:
      return "no plan: the target names no host, broadcast address or group that can be asked";
    case SearchFailure::kNoSocket:
      return "no socket: none could be opened";
    case SearchFailure::kNothingSent:
      return "nothing sent: not one request could be sent";
    case SearchFailure::kSocketFailed:
      return "a socket failure: receiving failed before any agent was reported";
    case SearchFailure::kNone:
      break;
  }
  return kNoMemory;
}

// The one debug line of a call that returns -1; with an IPv6 pass's cause
// other than the IPv4 pass's, both.
std::int32_t Failed(std::string_view exportName, std::string_view cause,
                    std::string_view ipv6Cause = {}) noexcept {
  try {
    std::string line = std::string(exportName) + " returns -1: ";
    if (ipv6Cause.empty() || ipv6Cause == cause) {
      line += cause;
    } else {
      line += "IPv4: " + std::string(cause) + "; IPv6: " + std::string(ipv6Cause);
    }
    SendDebugText(line + "\n");
  } catch (...) {
    // A line that cannot be made is not sent; the result stands.
  }
  return kFailed;
}

// The search the calling thread is in: its first find call starts it, the
// SNMPv3 call after it reports only agents it has not reported yet.
SearchMemory& Memory() {
  return SearchMemory::OfThisThread();
}

std::string TextOrEmpty(const char* text) {
  return text ? std::string(text) : std::string();
}

AgentReport ReportTo(AgentFoundCallback callback) {
  return [callback](const Endpoint& agent, const std::string& name) {
    if (!Memory().Claim(agent)) return false;
    callback(FormatIpv4(agent).c_str(), name.c_str());
    return true;
  };
}

AgentReport ReportTo(AgentFoundV6Callback callback) {
  return [callback](const Endpoint& agent, const std::string& name) {
    if (!Memory().Claim(agent)) return false;
    const auto record = MakeAddressRecord(agent);
    callback(record.data(), nullptr, name.c_str());
    return true;
  };
}

// One search's agents, or the cause of its -1.
struct Outcome {
  int agents = kFailed;
  std::string_view cause;
};

// Runs one search; any failure, even an exhausted heap, becomes a result.
Outcome Search(const FindRequest& request, const AgentProbe& probe, const AgentReport& report) {
  try {
    SteadyClock clock;
    const auto network = OpenSystemNetwork();
    if (!network) return {kFailed, kNoNetwork};
    // Gets still running at the end of the call are given up with it.
    const auto http = request.options.wsd ? wsd::OpenHttpPoster() : nullptr;
    SearchFailure failure = SearchFailure::kNone;
    const int agents = FindAgents(*network, clock, probe, request, report, http.get(), &failure);
    return {agents, agents < 0 ? CauseOf(failure) : ""};
  } catch (...) {
    return {kFailed, kNoMemory};
  }
}

// The time-out counts from the call's start, whatever planning and starting
// the network cost.
std::int64_t CallStart() {
  return SteadyClock().NowMs();
}

std::optional<FindRequest> MakeRequest(AddressFamily family, std::int32_t broadcast,
                                       const char* target, std::int32_t timeoutMs, int attempts,
                                       const char* parameter, std::int64_t startMs) {
  const auto options = ParseSearchOptions(TextOrEmpty(parameter));
  if (!options) return std::nullopt;
  return FindRequest{family,   broadcast != 0, TextOrEmpty(target), timeoutMs, attempts,
                     *options, startMs};
}

template <typename Callback>
Outcome FindByCommunity(AddressFamily family, const char* community, std::int32_t broadcast,
                        const char* target, std::int32_t timeoutMs, const char* parameter,
                        Callback callback) {
  try {
    const std::int64_t start = CallStart();
    Memory().Start();
    if (!callback) return {kFailed, kNoCallback};
    const auto request =
        MakeRequest(family, broadcast, target, timeoutMs, kCommunityAttempts, parameter, start);
    if (!request) return {kFailed, kBadParameter};
    const SysNameProbe probe(community ? community : kDefaultCommunity, NewRequestId(),
                             NewRequestId(), request->options.printersOnly);
    return Search(*request, probe, ReportTo(callback));
  } catch (...) {
    return {kFailed, kNoMemory};
  }
}

std::int32_t Told(const char* exportName, const Outcome& outcome) {
  return outcome.agents < 0 ? Failed(exportName, outcome.cause) : outcome.agents;
}

template <typename Callback>
Outcome FindEngines(AddressFamily family, std::int32_t broadcast, const char* target,
                    std::int32_t timeoutMs, std::int32_t retries, const char* parameter,
                    Callback callback) {
  try {
    const std::int64_t start = CallStart();
    const int attempts = std::clamp(retries, 0, kMaxRetries) + 1;
    auto request = MakeRequest(family, broadcast, target, timeoutMs, attempts, parameter, start);
    if (!request) return {kFailed, kBadParameter};
    // The community call before it asked DNS-SD and WSD for this search.
    request->options.dnssd = false;
    request->options.wsd = false;
    // Engine discovery grants no access, so no agent found this way can be
    // asked whether it is a printer: none is reported, nothing is sent.
    if (request->options.printersOnly) return {0, ""};
    const EngineIdProbe probe(NewRequestId(), NewRequestId());
    return Search(*request, probe, ReportTo(callback));
  } catch (...) {
    return {kFailed, kNoMemory};
  }
}

}  // namespace
}  // namespace jobhost::devprobe

using jobhost::AgentFoundCallback;
using jobhost::AgentFoundV6Callback;
using jobhost::devprobe::AddressFamily;

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI FindSnmpAgent(
    const char* community, std::int32_t broadcast, const char* target, std::int32_t timeoutMs,
    const char* parameter, void* /*reserved1*/, AgentFoundCallback callback, void* /*reserved2*/) {
  using namespace jobhost::devprobe;
  return Told("FindSnmpAgent", FindByCommunity(AddressFamily::kIpv4, community, broadcast, target,
                                               timeoutMs, parameter, callback));
}

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI
FindSnmpAgentV6(const char* community, std::int32_t broadcast, const char* target,
                std::int32_t timeoutMs, const char* parameter, void* /*reserved1*/,
                AgentFoundV6Callback callback, void* /*reserved2*/) {
  using namespace jobhost::devprobe;
  return Told("FindSnmpAgentV6", FindByCommunity(AddressFamily::kIpv6, community, broadcast, target,
                                                 timeoutMs, parameter, callback));
}

// The IPv4 pass runs when its callback is given, then the IPv6 pass when
// its callback is given. The numeric arguments other than the time-out and
// the retries belong to richer SNMPv3 exchanges and have no effect here.
JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI FindSnmpV3AgentEx2(
    std::int32_t broadcast, const char* ipv4Target, const char* ipv6Target, std::int32_t /*a4*/,
    std::int32_t /*a5*/, std::int32_t timeoutMs, std::int32_t retries, std::uint32_t /*a8*/,
    const char* parameter, std::int32_t /*a10*/, AgentFoundCallback callbackV4,
    AgentFoundV6Callback callbackV6) {
  using namespace jobhost::devprobe;
  constexpr char kName[] = "FindSnmpV3AgentEx2";
  if (!callbackV4 && !callbackV6) return Failed(kName, kNoCallback);
  // A pass not asked for has found nothing and failed in nothing.
  const Outcome none{0, ""};
  const Outcome v4 = callbackV4 ? FindEngines(AddressFamily::kIpv4, broadcast, ipv4Target,
                                              timeoutMs, retries, parameter, callbackV4)
                                : none;
  const Outcome v6 = callbackV6 ? FindEngines(AddressFamily::kIpv6, broadcast, ipv6Target,
                                              timeoutMs, retries, parameter, callbackV6)
                                : none;
  const bool searched = (callbackV4 && v4.agents >= 0) || (callbackV6 && v6.agents >= 0);
  if (searched) return std::max(v4.agents, 0) + std::max(v6.agents, 0);
  // Every pass asked for failed: one line with each pass's cause.
  if (!callbackV6) return Failed(kName, v4.cause);
  if (!callbackV4) return Failed(kName, v6.cause);
  return Failed(kName, v4.cause, v6.cause);
}

// The exports must keep the types the program calls them through.
static_assert(std::is_same_v<decltype(&FindSnmpAgent), jobhost::FindAgentFunction>);
static_assert(std::is_same_v<decltype(&FindSnmpAgentV6), jobhost::FindAgentV6Function>);
static_assert(std::is_same_v<decltype(&FindSnmpV3AgentEx2), jobhost::FindV3AgentFunction>);
