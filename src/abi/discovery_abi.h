#pragma once
// Exports of the discovery library (<prefix>devprobe.dll) and the callbacks
// it reports agents through.

#include <cstdint>

#include "abi/calling_convention.h"

namespace jobhost {

inline constexpr char kFindAgentExport[] = "FindSnmpAgent";
inline constexpr char kFindAgentV6Export[] = "FindSnmpAgentV6";
inline constexpr char kFindV3AgentExport[] = "FindSnmpV3AgentEx2";

// Size of the address record handed to the IPv6 callback; its first 16 bytes
// are the address, most significant byte first.
inline constexpr int kAgentAddressRecordSize = 80;

using AgentFoundCallback = std::int32_t(JOBHOST_WINAPI*)(const char* address, const char* name);
using AgentFoundV6Callback = std::int32_t(JOBHOST_WINAPI*)(const void* addressRecord,
                                                           const void* ignored, const char* name);

// FindSnmpAgent and FindSnmpAgentV6 share one argument list but for the callback.
template <typename Callback>
using FindAgentFunctionOf = std::int32_t(JOBHOST_WINAPI*)(
    const char* community, std::int32_t broadcast, const char* target, std::int32_t timeoutMs,
    const char* parameter, void* reserved1, Callback callback, void* reserved2);
using FindAgentFunction = FindAgentFunctionOf<AgentFoundCallback>;
using FindAgentV6Function = FindAgentFunctionOf<AgentFoundV6Callback>;

using FindV3AgentFunction = std::int32_t(JOBHOST_WINAPI*)(
    std::int32_t broadcast, const char* ipv4Target, const char* ipv6Target, std::int32_t a4,
    std::int32_t a5, std::int32_t timeoutMs, std::int32_t retries, std::uint32_t a8,
    const char* parameter, std::int32_t a10, AgentFoundCallback callbackV4,
    AgentFoundV6Callback callbackV6);

}  // namespace jobhost
