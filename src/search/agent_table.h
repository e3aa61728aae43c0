#pragma once
// The process-wide table of the agents that one discovery run reports, and
// its merge into the search-settings record.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "search/discovery_abi.h"
#include "search/search_settings.h"

namespace jobhost {

// Values of DiscoveryStatus() after a merge.
inline constexpr std::int32_t kAgentsMerged = 6;
inline constexpr std::int32_t kNoAgentsFound = 7;

// count becomes 0; the slots keep their bytes.
void ResetAgentTable();
// Every slot becomes zero bytes; count is unchanged.
void ClearAgentTable();
// Slot index becomes slot 0 and the only entry. An index outside the table
// changes nothing.
void KeepOnlyAgent(int index);
// The first entry whose name is exactly name, if any.
std::optional<int> FirstAgentNamed(std::string_view name);
// Copies the entries into the record's agents, each address once (the last
// report of it wins), and sets DiscoveryStatus(). An empty table leaves the
// record untouched.
void MergeAgentTable(SearchSettings& settings);

std::int32_t AgentTableCount();
// Zero bytes for an index outside the 32 slots.
std::array<std::uint8_t, kAgentEntrySize> AgentTableEntry(int index);
std::int32_t DiscoveryStatus();

// Handed to the discovery library. They may come from any thread: each
// report is added under a lock. A report without text or record is ignored.
// Both always return 1.
std::int32_t JOBHOST_WINAPI OnSnmpAgentFound(const char* address, const char* name);
std::int32_t JOBHOST_WINAPI OnSnmpAgentFoundV6(const void* addressRecord, const void* ignored,
                                               const char* name);

}  // namespace jobhost
