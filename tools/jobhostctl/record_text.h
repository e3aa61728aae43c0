#pragma once
// Search-settings records made from options and shown as text or JSON.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/search_settings.h"

namespace jobhost::ctl {

struct AgentLine {
  std::string address;
  std::string name;
};

// One agent per line: address<TAB>name (the name may be left out). Empty
// lines are skipped; a line break may be CR LF.
std::vector<AgentLine> ParseAgentsFile(std::string_view text);

struct RecordRecipe {
  bool singleHost = false;
  bool broadcastToTarget = false;
  bool useIpv6 = false;
  std::string ipv4Target;
  std::string ipv6Target;
  std::string community;
  std::vector<AgentLine> agents;
  std::optional<std::int32_t> agentCount;  // stored instead of the number of agents
};

// Fills a zeroed record; returns an error text (nothing written then) when a
// text does not fit its field or there are more agents than slots.
std::string BuildRecord(const RecordRecipe& recipe, SearchSettings& record);

// storedSize: how many bytes the stored value or file held.
std::string RecordAsText(const SearchSettings& record, std::size_t storedSize);
std::string RecordAsJson(const SearchSettings& record, std::size_t storedSize);

}  // namespace jobhost::ctl
