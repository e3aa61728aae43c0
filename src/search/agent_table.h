#pragma once
// The table of the agents that one search run reports, and its merge into
// the search-settings record.

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "abi/discovery_abi.h"
#include "search/search_settings.h"

namespace jobhost {

// Values of DiscoveryStatus() after a merge.
inline constexpr std::int32_t kAgentsMerged = 6;
inline constexpr std::int32_t kNoAgentsFound = 7;

using AgentEntry = std::array<std::uint8_t, kAgentEntrySize>;

// The agents one search run collects, and what its merge found. Zero bytes
// when made; the callbacks may add to it from any thread while a library
// call reports into it.
struct AgentTable {
  std::array<AgentEntry, kMaxAgents> entries{};
  std::int32_t count = 0;
  std::int32_t discoveryStatus = 0;
  mutable std::mutex lock;
};

// count becomes 0; the slots keep their bytes.
void ResetAgentTable(AgentTable& table);
// Every slot becomes zero bytes; count is unchanged.
void ClearAgentTable(AgentTable& table);
// Slot index becomes slot 0 and the only entry. An index outside the table
// changes nothing.
void KeepOnlyAgent(AgentTable& table, int index);
// The first entry whose name is exactly name, if any.
std::optional<int> FirstAgentNamed(const AgentTable& table, std::string_view name);
// Copies the entries into the record's agents, each address once (the last
// report of it wins), and sets the discovery status. An empty table leaves the
// record untouched.
void MergeAgentTable(AgentTable& table, SearchSettings& settings);

std::int32_t AgentTableCount(const AgentTable& table);
// Zero bytes for an index outside the 32 slots.
AgentEntry AgentTableEntry(const AgentTable& table, int index);
std::int32_t DiscoveryStatus(const AgentTable& table);

// The callbacks carry no context, so they report into the one table installed
// while a library call runs; without one, a report is ignored.
class ReportsGoTo {
 public:
  explicit ReportsGoTo(AgentTable& table);
  ~ReportsGoTo();
  ReportsGoTo(const ReportsGoTo&) = delete;
  ReportsGoTo& operator=(const ReportsGoTo&) = delete;
};

// Handed to the discovery library. They may come from any thread: each
// report is added under the table's lock. A report without text or record is
// ignored. Both always return 1.
std::int32_t JOBHOST_WINAPI OnSnmpAgentFound(const char* address, const char* name);
std::int32_t JOBHOST_WINAPI OnSnmpAgentFoundV6(const void* addressRecord, const void* ignored,
                                               const char* name);

}  // namespace jobhost
