#pragma once
// One SNMP agent discovery through the family's discovery library: the find
// calls the settings record selects, the name filter, and the merge of the
// answers into the record.

#include <cstdint>
#include <string>
#include <string_view>

#include "family/family.h"
#include "platform/platform.h"
#include "search/agent_table.h"
#include "search/search_settings.h"

namespace jobhost {

// The search parameter's 8-bit form is handed over in 256 bytes.
inline constexpr std::size_t kOemParameterCapacity = 256;

// Always returns 1; the results are the run's agent table, the record's
// agents and the table's discovery status. The record's settings are only read.
std::int32_t DiscoverAgents(SearchSettings& settings, const Family& family,
                            std::u16string_view searchParameter, Platform& platform,
                            AgentTable& table);

}  // namespace jobhost
