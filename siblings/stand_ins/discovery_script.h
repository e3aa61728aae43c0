#pragma once
// The scripted discovery library's script: which agents each find function
// reports.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::stand_in {

enum class FindFunction { kFind, kFindV6, kFindV3 };

inline constexpr std::size_t kIpv6AddressBytes = 16;

struct ScriptedAgent {
  FindFunction function = FindFunction::kFind;
  bool ipv6 = false;
  // nullopt: the report hands over a null pointer ("<null>" in the script).
  std::optional<std::string> address;  // IPv4 reports: the text handed over
  std::optional<std::array<std::uint8_t, kIpv6AddressBytes>> address6;  // IPv6 reports
  std::optional<std::string> name;
};

struct DiscoveryScript {
  std::vector<ScriptedAgent> agents;
  std::vector<std::string> problems;  // one text per line that was not understood
};

// Lines:
//   FindSnmpAgent<TAB>address<TAB>name
//   FindSnmpAgentV6<TAB>32 hex digits<TAB>name
//   FindSnmpV3AgentEx2<TAB>v4<TAB>address<TAB>name
//   FindSnmpV3AgentEx2<TAB>v6<TAB>32 hex digits<TAB>name
// The name may be left out (empty). "<null>" as address or name hands over a
// null pointer.
DiscoveryScript ParseDiscoveryScript(std::string_view text);

// 32 hex digits, most significant byte first.
std::optional<std::array<std::uint8_t, kIpv6AddressBytes>> ParseIpv6Hex(std::string_view text);

// The 80-byte record handed to the IPv6 callback: the address, then zeros.
std::array<std::uint8_t, 80> Ipv6AddressRecord(
    const std::array<std::uint8_t, kIpv6AddressBytes>& address);

}  // namespace jobhost::stand_in
