#pragma once
// The library's search parameter: "key=value" pairs separated by ";". Keys
// compare without letter case, blanks around keys and values are dropped and
// unknown keys are ignored, so the driver's parameter can carry options for
// other components too.

#include <cstdint>
#include <optional>
#include <string_view>

namespace jobhost::devprobe {

inline constexpr std::uint16_t kDefaultAgentPort = 161;

struct SearchOptions {
  // UDP port the agents listen on ("port=N", 1 to 65535).
  std::uint16_t port = kDefaultAgentPort;
};

// nullopt when a known key has a value it cannot use: the search is then not
// made, rather than made somewhere the caller did not ask for.
std::optional<SearchOptions> ParseSearchOptions(std::string_view parameter);

}  // namespace jobhost::devprobe
