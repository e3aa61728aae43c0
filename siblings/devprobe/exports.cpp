// The library's exports: argument checks and the bridge from the C calling
// interface to the portable discovery code. Every callback is made on the
// calling thread, one at a time, before the export returns; an agent is
// reported once per search, and each thread makes searches of its own.

#include <algorithm>
#include <type_traits>

#include "abi/calling_convention.h"
#include "abi/discovery_abi.h"
#include "find_agents.h"
#include "search_memory.h"

namespace jobhost::devprobe {
namespace {

constexpr char kDefaultCommunity[] = "public";
// SNMPv1/v2c requests go out twice: at the start and half-way through.
constexpr int kCommunityAttempts = 2;
constexpr int kMaxRetries = 10;
constexpr std::int32_t kFailed = -1;

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

// Runs one search; any failure, even an exhausted heap, becomes a result.
int Search(const FindRequest& request, const AgentProbe& probe, const AgentReport& report) {
  try {
    SteadyClock clock;
    const auto network = OpenSystemNetwork();
    if (!network) return kFailed;
    // Gets still running at the end of the call are given up with it.
    const auto http = request.options.wsd ? wsd::OpenHttpPoster() : nullptr;
    return FindAgents(*network, clock, probe, request, report, http.get());
  } catch (...) {
    return kFailed;
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
std::int32_t FindByCommunity(AddressFamily family, const char* community, std::int32_t broadcast,
                             const char* target, std::int32_t timeoutMs, const char* parameter,
                             Callback callback) {
  try {
    const std::int64_t start = CallStart();
    Memory().Start();
    if (!callback) return kFailed;
    const auto request =
        MakeRequest(family, broadcast, target, timeoutMs, kCommunityAttempts, parameter, start);
    if (!request) return kFailed;
    const SysNameProbe probe(community ? community : kDefaultCommunity, NewRequestId(),
                             NewRequestId(), request->options.printersOnly);
    return Search(*request, probe, ReportTo(callback));
  } catch (...) {
    return kFailed;
  }
}

template <typename Callback>
int FindEngines(AddressFamily family, std::int32_t broadcast, const char* target,
                std::int32_t timeoutMs, std::int32_t retries, const char* parameter,
                Callback callback) {
  try {
    const std::int64_t start = CallStart();
    const int attempts = std::clamp(retries, 0, kMaxRetries) + 1;
    auto request = MakeRequest(family, broadcast, target, timeoutMs, attempts, parameter, start);
    if (!request) return kFailed;
    // The community call before it asked DNS-SD and WSD for this search.
    request->options.dnssd = false;
    request->options.wsd = false;
    // Engine discovery grants no access, so no agent found this way can be
    // asked whether it is a printer: none is reported, nothing is sent.
    if (request->options.printersOnly) return 0;
    const EngineIdProbe probe(NewRequestId(), NewRequestId());
    return Search(*request, probe, ReportTo(callback));
  } catch (...) {
    return kFailed;
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
  return jobhost::devprobe::FindByCommunity(AddressFamily::kIpv4, community, broadcast, target,
                                            timeoutMs, parameter, callback);
}

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI
FindSnmpAgentV6(const char* community, std::int32_t broadcast, const char* target,
                std::int32_t timeoutMs, const char* parameter, void* /*reserved1*/,
                AgentFoundV6Callback callback, void* /*reserved2*/) {
  return jobhost::devprobe::FindByCommunity(AddressFamily::kIpv6, community, broadcast, target,
                                            timeoutMs, parameter, callback);
}

// The IPv4 pass runs when its callback is given, then the IPv6 pass when
// its callback is given. The numeric arguments other than the time-out and
// the retries belong to richer SNMPv3 exchanges and have no effect here.
JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI FindSnmpV3AgentEx2(
    std::int32_t broadcast, const char* ipv4Target, const char* ipv6Target, std::int32_t /*a4*/,
    std::int32_t /*a5*/, std::int32_t timeoutMs, std::int32_t retries, std::uint32_t /*a8*/,
    const char* parameter, std::int32_t /*a10*/, AgentFoundCallback callbackV4,
    AgentFoundV6Callback callbackV6) {
  using jobhost::devprobe::FindEngines;
  if (!callbackV4 && !callbackV6) return -1;
  int found = 0;
  bool searched = false;
  if (callbackV4) {
    const int result = FindEngines(AddressFamily::kIpv4, broadcast, ipv4Target, timeoutMs, retries,
                                   parameter, callbackV4);
    searched = searched || result >= 0;
    found += std::max(result, 0);
  }
  if (callbackV6) {
    const int result = FindEngines(AddressFamily::kIpv6, broadcast, ipv6Target, timeoutMs, retries,
                                   parameter, callbackV6);
    searched = searched || result >= 0;
    found += std::max(result, 0);
  }
  return searched ? found : -1;
}

// The exports must keep the types the program calls them through.
static_assert(std::is_same_v<decltype(&FindSnmpAgent), jobhost::FindAgentFunction>);
static_assert(std::is_same_v<decltype(&FindSnmpAgentV6), jobhost::FindAgentV6Function>);
static_assert(std::is_same_v<decltype(&FindSnmpV3AgentEx2), jobhost::FindV3AgentFunction>);
