#pragma once
// The scripted port library's table: which kind and address each printer has,
// and how its address call is to misbehave.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::stand_in {

struct PortEntry {
  std::string printer;  // UTF-8, compared exactly
  std::int32_t kind = 0;
  std::string address;  // UTF-8; written by the address call
  // "!" after the kind: the address call writes the address but reports failure.
  bool addressFails = false;
  // "~" after the kind: the address call fills the whole buffer, no terminator.
  bool unterminated = false;
};

struct PortTable {
  std::vector<PortEntry> entries;
  std::vector<std::string> problems;  // one text per line that was not understood
};

// Lines: printer<TAB>kind[!][~][<TAB>address].
PortTable ParsePortTable(std::string_view text);

// The first entry of that printer, or nullptr.
const PortEntry* FindPort(const PortTable& table, std::string_view printer);

// Parses a decimal 32-bit integer with an optional sign; the whole text must be the number.
std::optional<std::int32_t> ParseInt32(std::string_view text);

}  // namespace jobhost::stand_in
