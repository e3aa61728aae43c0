#include "port_table.h"

#include <charconv>

#include "sibling_files.h"

namespace jobhost::stand_in {

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

namespace {

// Reads "kind" with its trailing modifiers into entry; false when malformed.
bool ParseKind(std::string_view text, PortEntry& entry) {
  while (!text.empty() && (text.back() == '!' || text.back() == '~')) {
    (text.back() == '!' ? entry.addressFails : entry.unterminated) = true;
    text.remove_suffix(1);
  }
  std::optional<std::int32_t> kind = ParseInt32(text);
  if (!kind) return false;
  entry.kind = *kind;
  return true;
}

}  // namespace

PortTable ParsePortTable(std::string_view text) {
  PortTable table;
  for (const ScriptLine& line : ScriptLines(text)) {
    std::vector<std::string_view> fields = TabFields(line.text);
    PortEntry entry;
    if (fields.size() < 2 || fields.size() > 3 || !ParseKind(fields[1], entry)) {
      table.problems.push_back("line " + std::to_string(line.number) + " not understood");
      continue;
    }
    entry.printer = fields[0];
    if (fields.size() == 3) entry.address = fields[2];
    table.entries.push_back(std::move(entry));
  }
  return table;
}

const PortEntry* FindPort(const PortTable& table, std::string_view printer) {
  for (const PortEntry& entry : table.entries)
    if (entry.printer == printer) return &entry;
  return nullptr;
}

}  // namespace jobhost::stand_in
