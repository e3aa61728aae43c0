#include "search/agent_table.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "search/ipv6_text.h"

namespace jobhost {
namespace {

constexpr std::size_t kIpv6AddressSize = 16;

using Entry = std::array<std::uint8_t, kAgentEntrySize>;

struct AgentTable {
  std::array<Entry, kMaxAgents> entries;
  std::int32_t count;
};

// Static storage, zero at process start.
AgentTable table;
std::int32_t discoveryStatus;
std::mutex tableLock;

// At most size - 1 bytes of text, then a terminator; bytes behind it stay.
void CopyBounded(std::uint8_t* field, std::size_t size, const char* text) {
  std::size_t length = 0;
  while (length < size - 1 && text[length] != '\0') ++length;
  std::memcpy(field, text, length);
  field[length] = 0;
}

ConstAgentEntryBytes View(const Entry& entry) {
  return ConstAgentEntryBytes(entry.data(), kAgentEntrySize);
}

bool AddressReportedAgain(int index) {
  std::string address = AgentAddress(View(table.entries[index]));
  for (int later = index + 1; later < table.count; ++later) {
    if (AgentAddress(View(table.entries[later])) == address) return true;
  }
  return false;
}

}  // namespace

void ResetAgentTable() {
  std::lock_guard lock(tableLock);
  table.count = 0;
}

void ClearAgentTable() {
  std::lock_guard lock(tableLock);
  for (Entry& entry : table.entries) entry.fill(0);
}

void KeepOnlyAgent(int index) {
  std::lock_guard lock(tableLock);
  if (index < 0 || index >= table.count) return;
  if (index != 0) table.entries[0] = table.entries[index];
  table.count = 1;
}

std::optional<int> FirstAgentNamed(std::string_view name) {
  std::lock_guard lock(tableLock);
  for (int i = 0; i < table.count; ++i) {
    if (AgentName(View(table.entries[i])) == name) return i;
  }
  return std::nullopt;
}

void MergeAgentTable(SearchSettings& settings) {
  std::lock_guard lock(tableLock);
  if (table.count <= 0) {
    discoveryStatus = kNoAgentsFound;
    return;
  }
  std::int32_t merged = 0;
  for (int i = 0; i < table.count; ++i) {
    if (AddressReportedAgain(i)) continue;
    std::ranges::copy(table.entries[i], settings.agent(merged).begin());
    ++merged;
  }
  settings.setAgentCount(merged);
  discoveryStatus = kAgentsMerged;
}

std::int32_t AgentTableCount() {
  std::lock_guard lock(tableLock);
  return table.count;
}

std::array<std::uint8_t, kAgentEntrySize> AgentTableEntry(int index) {
  std::lock_guard lock(tableLock);
  if (index < 0 || index >= kMaxAgents) return {};
  return table.entries[static_cast<std::size_t>(index)];
}

std::int32_t DiscoveryStatus() {
  std::lock_guard lock(tableLock);
  return discoveryStatus;
}

std::int32_t JOBHOST_WINAPI OnSnmpAgentFound(const char* address, const char* name) {
  if (address == nullptr || name == nullptr) return 1;
  std::lock_guard lock(tableLock);
  if (table.count >= kMaxAgents) return 1;
  // Only the texts and terminators are written: the zero bytes behind them
  // come from the clear before an IPv4 discovery.
  Entry& entry = table.entries[table.count];
  CopyBounded(entry.data() + kAgentAddressOffset, kAgentAddressSize, address);
  CopyBounded(entry.data() + kAgentNameOffset, kAgentNameSize, name);
  ++table.count;
  return 1;
}

std::int32_t JOBHOST_WINAPI OnSnmpAgentFoundV6(const void* addressRecord, const void*,
                                               const char* name) {
  if (addressRecord == nullptr || name == nullptr) return 1;
  // Only the address itself is read; the record belongs to the library.
  std::uint8_t address[kIpv6AddressSize];
  std::memcpy(address, addressRecord, kIpv6AddressSize);
  std::lock_guard lock(tableLock);
  if (table.count >= kMaxAgents) return 1;
  Entry& entry = table.entries[table.count];
  entry.fill(0);
  FormatIpv6Address(address, reinterpret_cast<char*>(entry.data() + kAgentAddressOffset));
  CopyBounded(entry.data() + kAgentNameOffset, kAgentNameSize, name);
  ++table.count;
  return 1;
}

}  // namespace jobhost
