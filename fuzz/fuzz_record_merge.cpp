// A stored record of any content and any reports from the discovery
// library merge without touching a byte outside the agent list, each
// address once, never more than 32 entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <span>
#include <string>

#include "search/agent_table.h"
#include "search/search_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input is a list of reports (a kind byte, a length byte, the text),
  // ended by a kind byte 0xFF; what follows is the stored record, whose
  // missing end reads as zero bytes.
  jobhost::AgentTable table;
  std::size_t at = 0;
  jobhost::ReportsGoTo reports(table);
  while (at + 2 <= size && data[at] != 0xFF) {
    std::uint8_t kind = data[at++];
    std::size_t length = data[at++] % 100;
    if (at + length > size) length = size - at;
    std::string text(reinterpret_cast<const char*>(data + at), length);
    at += length;
    if (kind & 1) {
      std::uint8_t record[jobhost::kAgentAddressRecordSize] = {};
      std::memcpy(record, text.data(), text.size() < 16 ? text.size() : 16);
      jobhost::OnSnmpAgentFoundV6(record, nullptr, text.c_str());
    } else {
      jobhost::OnSnmpAgentFound(text.c_str(), text.c_str());
    }
  }
  if (at < size) ++at;
  std::span<const std::uint8_t> stored(data + at, size - at);
  if (stored.size() > jobhost::kSearchSettingsSize)
    stored = stored.first(jobhost::kSearchSettingsSize);
  jobhost::SearchSettings settings = jobhost::SearchSettings::FromStored(stored);
  const jobhost::SearchSettings before = settings;

  jobhost::MergeAgentTable(table, settings);

  const int count = settings.agentCount();
  if (jobhost::AgentTableCount(table) == 0) {
    if (jobhost::DiscoveryStatus(table) != jobhost::kNoAgentsFound ||
        std::memcmp(settings.bytes().data(), before.bytes().data(), jobhost::kSearchSettingsSize) !=
            0)
      std::abort();
    return 0;
  }
  if (jobhost::DiscoveryStatus(table) != jobhost::kAgentsMerged || count < 1 ||
      count > jobhost::kMaxAgents || count > jobhost::AgentTableCount(table))
    std::abort();
  const std::size_t countAt = jobhost::settings_layout::kAgentCount;
  const std::size_t agentsAt = jobhost::settings_layout::kAgents;
  const std::size_t agentsEnd =
      agentsAt + jobhost::kAgentEntrySize * static_cast<std::size_t>(count);
  for (std::size_t i = 0; i < jobhost::kSearchSettingsSize; ++i) {
    bool owned = (i >= countAt && i < countAt + 4) || (i >= agentsAt && i < agentsEnd);
    if (!owned && settings.bytes()[i] != before.bytes()[i]) std::abort();
  }
  std::set<std::string> addresses;
  for (int i = 0; i < count; ++i) {
    if (!addresses.insert(jobhost::AgentAddress(settings.agent(i))).second) std::abort();
  }
  return 0;
}
