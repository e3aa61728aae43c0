#include "search/agent_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "support/ipv6_text.h"

namespace jobhost {
namespace {

constexpr std::size_t kIpv6AddressSize = 16;

// The table the callbacks report into, set only while a library call runs.
std::atomic<AgentTable*> reportingTable{nullptr};

// At most size - 1 bytes of text, then a terminator; bytes behind it stay.
void CopyBounded(std::uint8_t* field, std::size_t size, const char* text) {
  std::size_t length = 0;
  while (length < size - 1 && text[length] != '\0') ++length;
  std::memcpy(field, text, length);
  field[length] = 0;
}

ConstAgentEntryBytes View(const AgentEntry& entry) {
  return ConstAgentEntryBytes(entry.data(), kAgentEntrySize);
}

bool AddressReportedAgain(const AgentTable& table, int index) {
  std::string address = AgentAddress(View(table.entries[index]));
  for (int later = index + 1; later < table.count; ++later) {
    if (AgentAddress(View(table.entries[later])) == address) return true;
  }
  return false;
}

}  // namespace

void ResetAgentTable(AgentTable& table) {
  std::lock_guard lock(table.lock);
  table.count = 0;
}

void ClearAgentTable(AgentTable& table) {
  std::lock_guard lock(table.lock);
  for (AgentEntry& entry : table.entries) entry.fill(0);
}

void KeepOnlyAgent(AgentTable& table, int index) {
  std::lock_guard lock(table.lock);
  if (index < 0 || index >= table.count) return;
  if (index != 0) table.entries[0] = table.entries[index];
  table.count = 1;
}

std::optional<int> FirstAgentNamed(const AgentTable& table, std::string_view name) {
  std::lock_guard lock(table.lock);
  for (int i = 0; i < table.count; ++i) {
    if (AgentName(View(table.entries[i])) == name) return i;
  }
  return std::nullopt;
}

void MergeAgentTable(AgentTable& table, SearchSettings& settings) {
  std::lock_guard lock(table.lock);
  if (table.count <= 0) {
    table.discoveryStatus = kNoAgentsFound;
    return;
  }
  std::int32_t merged = 0;
  for (int i = 0; i < table.count; ++i) {
    if (AddressReportedAgain(table, i)) continue;
    std::ranges::copy(table.entries[i], settings.agent(merged).begin());
    ++merged;
  }
  settings.setAgentCount(merged);
  table.discoveryStatus = kAgentsMerged;
}

std::int32_t AgentTableCount(const AgentTable& table) {
  std::lock_guard lock(table.lock);
  return table.count;
}

AgentEntry AgentTableEntry(const AgentTable& table, int index) {
  std::lock_guard lock(table.lock);
  if (index < 0 || index >= kMaxAgents) return {};
  return table.entries[static_cast<std::size_t>(index)];
}

std::int32_t DiscoveryStatus(const AgentTable& table) {
  std::lock_guard lock(table.lock);
  return table.discoveryStatus;
}

ReportsGoTo::ReportsGoTo(AgentTable& table) {
  reportingTable.store(&table);
}

ReportsGoTo::~ReportsGoTo() {
  reportingTable.store(nullptr);
}

std::int32_t JOBHOST_WINAPI OnSnmpAgentFound(const char* address, const char* name) {
  AgentTable* installed = reportingTable.load();
  if (installed == nullptr || address == nullptr || name == nullptr) return 1;
  AgentTable& table = *installed;
  std::lock_guard lock(table.lock);
  if (table.count >= kMaxAgents) return 1;
  // Only the texts and terminators are written: the zero bytes behind them
  // come from the clear before an IPv4 discovery.
  AgentEntry& entry = table.entries[table.count];
  CopyBounded(entry.data() + kAgentAddressOffset, kAgentAddressSize, address);
  CopyBounded(entry.data() + kAgentNameOffset, kAgentNameSize, name);
  ++table.count;
  return 1;
}

std::int32_t JOBHOST_WINAPI OnSnmpAgentFoundV6(const void* addressRecord, const void*,
                                               const char* name) {
  AgentTable* installed = reportingTable.load();
  if (installed == nullptr || addressRecord == nullptr || name == nullptr) return 1;
  // Only the address itself is read; the record belongs to the library.
  std::uint8_t address[kIpv6AddressSize];
  std::memcpy(address, addressRecord, kIpv6AddressSize);
  AgentTable& table = *installed;
  std::lock_guard lock(table.lock);
  if (table.count >= kMaxAgents) return 1;
  AgentEntry& entry = table.entries[table.count];
  entry.fill(0);
  FormatIpv6Address(address, reinterpret_cast<char*>(entry.data() + kAgentAddressOffset));
  CopyBounded(entry.data() + kAgentNameOffset, kAgentNameSize, name);
  ++table.count;
  return 1;
}

}  // namespace jobhost
