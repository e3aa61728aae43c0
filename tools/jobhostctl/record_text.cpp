#include "record_text.h"

#include <algorithm>
#include <cstring>

#include "text_formats.h"

namespace jobhost::ctl {
namespace {

// The entries a reader takes as valid: the first agentCount, within the slots.
int ValidAgents(const SearchSettings& record) {
  return std::clamp(record.agentCount(), 0, kMaxAgents);
}

void WriteField(AgentEntryBytes entry, std::size_t offset, std::string_view text) {
  std::memcpy(entry.data() + offset, text.data(), text.size());
}

std::string CheckAgent(const AgentLine& agent, int number) {
  std::string where = "agent " + std::to_string(number) + ": ";
  if (agent.address.size() >= kAgentAddressSize)
    return where + "address longer than " + std::to_string(kAgentAddressSize - 1) + " bytes";
  if (agent.name.size() >= kAgentNameSize)
    return where + "name longer than " + std::to_string(kAgentNameSize - 1) + " bytes";
  if (agent.address.find('\0') != std::string::npos || agent.name.find('\0') != std::string::npos)
    return where + "holds a zero byte";
  return {};
}

}  // namespace

std::vector<AgentLine> ParseAgentsFile(std::string_view text) {
  std::vector<AgentLine> agents;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::size_t tab = line.find('\t');
    AgentLine agent{std::string(line.substr(0, tab)), ""};
    if (tab != std::string_view::npos) agent.name = line.substr(tab + 1);
    agents.push_back(std::move(agent));
  }
  return agents;
}

std::string BuildRecord(const RecordRecipe& recipe, SearchSettings& record) {
  if (recipe.agents.size() > static_cast<std::size_t>(kMaxAgents))
    return "more than " + std::to_string(kMaxAgents) + " agents";
  for (std::size_t i = 0; i < recipe.agents.size(); ++i) {
    std::string error = CheckAgent(recipe.agents[i], static_cast<int>(i) + 1);
    if (!error.empty()) return error;
  }
  SearchSettings built;
  if (!built.setIpv4Target(recipe.ipv4Target))
    return "IPv4 target does not fit its 25-byte field with a terminator";
  if (!built.setIpv6Target(recipe.ipv6Target))
    return "IPv6 target does not fit its 129-byte field with a terminator";
  if (!built.setCommunity(recipe.community))
    return "community does not fit its 129-byte field with a terminator";
  built.setSingleHost(recipe.singleHost);
  built.setBroadcastToTarget(recipe.broadcastToTarget);
  built.setUseIpv6(recipe.useIpv6);
  for (std::size_t i = 0; i < recipe.agents.size(); ++i) {
    AgentEntryBytes entry = built.agent(static_cast<int>(i));
    WriteField(entry, kAgentAddressOffset, recipe.agents[i].address);
    WriteField(entry, kAgentNameOffset, recipe.agents[i].name);
  }
  built.setAgentCount(recipe.agentCount.value_or(static_cast<std::int32_t>(recipe.agents.size())));
  record = built;
  return {};
}

std::string RecordAsText(const SearchSettings& record, std::size_t storedSize) {
  std::string text = "size: " + std::to_string(storedSize) + "\n";
  text += "singleHost: " + std::to_string(record.ReadInt32(settings_layout::kSingleHost)) + "\n";
  text += "broadcastToTarget: " +
          std::to_string(record.ReadInt32(settings_layout::kBroadcastToTarget)) + "\n";
  text += "ipv4Target: " + JsonString(record.ipv4Target()) + "\n";
  text += "ipv6Target: " + JsonString(record.ipv6Target()) + "\n";
  text += "community: " + JsonString(record.community()) + "\n";
  text += "useIpv6: " + std::to_string(record.ReadInt32(settings_layout::kUseIpv6)) + "\n";
  text += "agentCount: " + std::to_string(record.agentCount()) + "\n";
  for (int i = 0; i < ValidAgents(record); ++i) {
    text += "agent " + std::to_string(i) + ": " + JsonString(AgentAddress(record.agent(i))) + " " +
            JsonString(AgentName(record.agent(i))) + "\n";
  }
  return text;
}

std::string RecordAsJson(const SearchSettings& record, std::size_t storedSize) {
  std::string json = "{\"size\":" + std::to_string(storedSize);
  json += ",\"singleHost\":" + std::to_string(record.ReadInt32(settings_layout::kSingleHost));
  json += ",\"broadcastToTarget\":" +
          std::to_string(record.ReadInt32(settings_layout::kBroadcastToTarget));
  json += ",\"ipv4Target\":" + JsonString(record.ipv4Target());
  json += ",\"ipv6Target\":" + JsonString(record.ipv6Target());
  json += ",\"community\":" + JsonString(record.community());
  json += ",\"useIpv6\":" + std::to_string(record.ReadInt32(settings_layout::kUseIpv6));
  json += ",\"agentCount\":" + std::to_string(record.agentCount());
  json += ",\"agents\":[";
  for (int i = 0; i < ValidAgents(record); ++i) {
    if (i > 0) json += ",";
    json += "{\"address\":" + JsonString(AgentAddress(record.agent(i))) +
            ",\"name\":" + JsonString(AgentName(record.agent(i))) + "}";
  }
  json += "]}";
  return json;
}

}  // namespace jobhost::ctl
