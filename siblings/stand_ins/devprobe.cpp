// Scripted discovery library: the agents each find function reports come
// from the script beside it (its own path with ".script" for ".dll"); every
// call, with all its arguments, and every report are logged beside it
// (".log"). Built in variants that lack some exports.

#include <cinttypes>
#include <cstdio>
#include <string>

#include "abi/discovery_abi.h"
#include "discovery_script.h"
#include "log_text.h"
#include "sibling_files.h"
#include "system_access.h"

namespace jobhost::stand_in {
namespace {

void Log(const std::string& line) {
  AppendToFile(ReplaceEnding(OwnModulePath(), ".dll", ".log"), line + "\n");
}

DiscoveryScript LoadScript() {
  std::optional<std::string> text =
      ReadWholeFile(ReplaceEnding(OwnModulePath(), ".dll", ".script"));
  DiscoveryScript script = ParseDiscoveryScript(text.value_or(std::string()));
  for (const std::string& problem : script.problems) Log("script " + problem);
  return script;
}

// 8-bit texts of the library's interface: code page unknown, so every byte
// outside printable ASCII is shown escaped.
std::string Text(const char* text) {
  return Quoted(text, true);
}

[[maybe_unused]] std::string Hex32(std::uint32_t value) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, value);
  return text;
}

std::string Ipv6Hex(const std::optional<std::array<std::uint8_t, kIpv6AddressBytes>>& address) {
  if (!address) return "null";
  std::string text;
  for (std::uint8_t byte : *address) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    text += digits;
  }
  return text;
}

const char* TextOrNull(const std::optional<std::string>& text) {
  return text ? text->c_str() : nullptr;
}

void ReportV4(const char* function, const ScriptedAgent& agent, AgentFoundCallback callback) {
  std::int32_t result = callback(TextOrNull(agent.address), TextOrNull(agent.name));
  Log(std::string("report ") + function + " address=" + Text(TextOrNull(agent.address)) +
      " name=" + Text(TextOrNull(agent.name)) + " -> " + std::to_string(result));
}

void ReportV6(const char* function, const ScriptedAgent& agent, AgentFoundV6Callback callback) {
  std::array<std::uint8_t, 80> record{};
  if (agent.address6) record = Ipv6AddressRecord(*agent.address6);
  const void* recordPointer = agent.address6 ? record.data() : nullptr;
  std::int32_t result = callback(recordPointer, nullptr, TextOrNull(agent.name));
  Log(std::string("report ") + function + " address=" + Ipv6Hex(agent.address6) +
      " name=" + Text(TextOrNull(agent.name)) + " -> " + std::to_string(result));
}

// Reports, on the calling thread, every scripted agent of function through
// the callback of its kind; a null callback is skipped.
void ReportAgents(const char* functionName, FindFunction function, AgentFoundCallback callbackV4,
                  AgentFoundV6Callback callbackV6) {
  for (const ScriptedAgent& agent : LoadScript().agents) {
    if (agent.function != function) continue;
    if (!agent.ipv6 && callbackV4 != nullptr) ReportV4(functionName, agent, callbackV4);
    if (agent.ipv6 && callbackV6 != nullptr) ReportV6(functionName, agent, callbackV6);
  }
}

// The variant without the first find functions has no use for it.
template <typename Callback>
[[maybe_unused]] std::string FindArguments(const char* community, std::int32_t broadcast,
                                           const char* target, std::int32_t timeoutMs,
                                           const char* parameter, void* reserved1,
                                           Callback callback, void* reserved2) {
  return " community=" + Text(community) + " broadcast=" + std::to_string(broadcast) +
         " target=" + Text(target) + " timeout=" + std::to_string(timeoutMs) +
         " parameter=" + Text(parameter) + " reserved1=" + PointerWord(reserved1) +
         " callback=" + PointerWord(callback) + " reserved2=" + PointerWord(reserved2);
}

}  // namespace
}  // namespace jobhost::stand_in

using jobhost::AgentFoundCallback;
using jobhost::AgentFoundV6Callback;
using jobhost::stand_in::FindFunction;

#ifndef JOBHOST_STAND_IN_NO_FIND
JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI FindSnmpAgent(
    const char* community, std::int32_t broadcast, const char* target, std::int32_t timeoutMs,
    const char* parameter, void* reserved1, AgentFoundCallback callback, void* reserved2) {
  using namespace jobhost::stand_in;
  Log("FindSnmpAgent" + FindArguments(community, broadcast, target, timeoutMs, parameter, reserved1,
                                      callback, reserved2));
  ReportAgents("FindSnmpAgent", FindFunction::kFind, callback, nullptr);
  return 1;
}

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI FindSnmpAgentV6(
    const char* community, std::int32_t broadcast, const char* target, std::int32_t timeoutMs,
    const char* parameter, void* reserved1, AgentFoundV6Callback callback, void* reserved2) {
  using namespace jobhost::stand_in;
  Log("FindSnmpAgentV6" + FindArguments(community, broadcast, target, timeoutMs, parameter,
                                        reserved1, callback, reserved2));
  ReportAgents("FindSnmpAgentV6", FindFunction::kFindV6, nullptr, callback);
  return 1;
}
#endif

#ifndef JOBHOST_STAND_IN_NO_V3
JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI
FindSnmpV3AgentEx2(std::int32_t broadcast, const char* ipv4Target, const char* ipv6Target,
                   std::int32_t a4, std::int32_t a5, std::int32_t timeoutMs, std::int32_t retries,
                   std::uint32_t a8, const char* parameter, std::int32_t a10,
                   AgentFoundCallback callbackV4, AgentFoundV6Callback callbackV6) {
  using namespace jobhost::stand_in;
  Log("FindSnmpV3AgentEx2 broadcast=" + std::to_string(broadcast) +
      " ipv4Target=" + Text(ipv4Target) + " ipv6Target=" + Text(ipv6Target) +
      " a4=" + std::to_string(a4) + " a5=" + std::to_string(a5) +
      " timeout=" + std::to_string(timeoutMs) + " retries=" + std::to_string(retries) +
      " a8=" + Hex32(a8) + " parameter=" + Text(parameter) + " a10=" + std::to_string(a10) +
      " callbackV4=" + PointerWord(callbackV4) + " callbackV6=" + PointerWord(callbackV6));
  ReportAgents("FindSnmpV3AgentEx2", FindFunction::kFindV3, callbackV4, callbackV6);
  return 1;
}
#endif
