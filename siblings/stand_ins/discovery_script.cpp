#include "discovery_script.h"

#include <algorithm>
#include <span>

#include "sibling_files.h"

namespace jobhost::stand_in {
namespace {

constexpr std::string_view kNullField = "<null>";

std::optional<std::string> TextOrNull(std::string_view field) {
  if (field == kNullField) return std::nullopt;
  return std::string(field);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<FindFunction> FunctionNamed(std::string_view name) {
  if (name == "FindSnmpAgent") return FindFunction::kFind;
  if (name == "FindSnmpAgentV6") return FindFunction::kFindV6;
  if (name == "FindSnmpV3AgentEx2") return FindFunction::kFindV3;
  return std::nullopt;
}

// address and optional name from fields; false when malformed.
bool ReadAgent(std::span<const std::string_view> fields, bool ipv6, ScriptedAgent& agent) {
  if (fields.empty() || fields.size() > 2) return false;
  agent.ipv6 = ipv6;
  if (ipv6) {
    if (fields[0] != kNullField) {
      agent.address6 = ParseIpv6Hex(fields[0]);
      if (!agent.address6) return false;
    }
  } else {
    agent.address = TextOrNull(fields[0]);
  }
  agent.name = fields.size() == 2 ? TextOrNull(fields[1]) : std::string();
  return true;
}

bool ParseLine(std::span<const std::string_view> fields, ScriptedAgent& agent) {
  std::optional<FindFunction> function = FunctionNamed(fields[0]);
  if (!function) return false;
  agent.function = *function;
  fields = fields.subspan(1);
  switch (*function) {
    case FindFunction::kFind:
      return ReadAgent(fields, false, agent);
    case FindFunction::kFindV6:
      return ReadAgent(fields, true, agent);
    case FindFunction::kFindV3:
      if (fields.empty() || (fields[0] != "v4" && fields[0] != "v6")) return false;
      return ReadAgent(fields.subspan(1), fields[0] == "v6", agent);
  }
  return false;
}

}  // namespace

std::optional<std::array<std::uint8_t, kIpv6AddressBytes>> ParseIpv6Hex(std::string_view text) {
  if (text.size() != 2 * kIpv6AddressBytes) return std::nullopt;
  std::array<std::uint8_t, kIpv6AddressBytes> address{};
  for (std::size_t i = 0; i < kIpv6AddressBytes; ++i) {
    int high = HexDigit(text[2 * i]);
    int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    address[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return address;
}

std::array<std::uint8_t, 80> Ipv6AddressRecord(
    const std::array<std::uint8_t, kIpv6AddressBytes>& address) {
  std::array<std::uint8_t, 80> record{};
  std::copy(address.begin(), address.end(), record.begin());
  return record;
}

DiscoveryScript ParseDiscoveryScript(std::string_view text) {
  DiscoveryScript script;
  for (const ScriptLine& line : ScriptLines(text)) {
    std::vector<std::string_view> fields = TabFields(line.text);
    ScriptedAgent agent;
    if (!ParseLine(fields, agent)) {
      script.problems.push_back("line " + std::to_string(line.number) + " not understood");
      continue;
    }
    script.agents.push_back(std::move(agent));
  }
  return script;
}

}  // namespace jobhost::stand_in
