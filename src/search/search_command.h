#pragma once
// The search command: the first argument names a settings key and, with a
// search parameter, asks for one discovery whose answers are stored there.
//
// Argument: <length>/<innerKeyName><separator><outerKeyName>/Search[/<parameter>]
// where <length> counts the characters of innerKeyName, so that it may
// contain "/". Key: Software\<outerKeyName>\<innerKeyName>\Vantorel\PrinterUI\Search.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "family/family.h"
#include "platform/platform.h"

namespace jobhost {

// The fields of a search argument, each already cut to its capacity.
struct SearchArgument {
  std::u16string innerKeyName;
  std::u16string outerKeyName;
  // Set when a "/" follows the command: the full search; otherwise only the
  // printer count is stored.
  std::optional<std::u16string> searchParameter;
};

// How an argument reads: not a search command (the job service runs), a
// malformed one (exit code 1, nothing touched), or a search command.
struct ArgumentSplit {
  enum class Kind { kNotSearch, kMalformed, kSearch } kind = Kind::kNotSearch;
  SearchArgument argument;
};

ArgumentSplit SplitSearchArgument(std::u16string_view argument, OemText& oem);

// The length field read like strtol in base 10, clamped to 32 bits.
std::int32_t ParseLength(std::string_view text);

// nullopt when firstArgument is not a search command; otherwise the command
// has run (or was malformed) and the result is the exit code, 1.
std::optional<int> RunSearchCommand(std::u16string_view firstArgument, const Family& family,
                                    Platform& platform);

}  // namespace jobhost
