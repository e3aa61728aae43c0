#pragma once
// What "jobhostctl search" is to do, from its options: the record to store,
// where, the program and its search command; and how the findings print.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "arguments.h"
#include "record_text.h"
#include "search/search_settings.h"

namespace jobhost::ctl {

// The two names of the search key
// HKEY_CURRENT_USER\Software\<outer>\<inner>\Vantorel\PrinterUI\Search.
struct SearchKeyNames {
  std::string outer;
  std::string inner;
};

struct SearchPlan {
  RecordRecipe recipe;
  std::string parameter;
  std::optional<std::string> program;  // default: the search program beside jobhostctl
  std::optional<SearchKeyNames> key;   // given: kept afterwards; else a temporary one
  bool json = false;
};

extern const std::array<OptionRule, 9> kSearchOptions;

// Fills plan from the parsed options; an error text when they are unusable.
std::string MakeSearchPlan(const ParsedArguments& parsed, SearchPlan& plan);

// The names of "HKEY_CURRENT_USER\Software\<outer>\<inner>\Vantorel\PrinterUI\Search"
// (or "HKCU\..."); nullopt for any other key, or names the search command
// could not carry whole.
std::optional<SearchKeyNames> ParseSearchKey(std::string_view key);
// The key's path below HKEY_CURRENT_USER.
std::string SearchKeyPath(const SearchKeyNames& names);

// The program's first argument: "<n>/<inner>/<outer>/Search/<parameter>",
// n the inner name's length in UTF-16 units.
std::string SearchCommandArgument(const SearchKeyNames& names, std::string_view parameter);

// How long the program's two discovery calls may take for this record.
std::chrono::seconds ExpectedSearchTime(const RecordRecipe& recipe);
// The wait after which the program is stopped as hung.
std::chrono::seconds SearchTimeLimit(const RecordRecipe& recipe);

// The file named fileName in the folder of toolPath ("/" or "\" separated).
std::string PathBeside(std::string_view toolPath, std::string_view fileName);
// Where the search program named fileName may lie, in order: beside the
// tool, then in lib/jobhost/ of an installed tree whose bin/ holds the tool.
std::array<std::string, 2> DefaultProgramPaths(std::string_view toolPath,
                                               std::string_view fileName);

// One command-line argument quoted for a Windows program's argument parser.
std::string QuoteWindowsArgument(std::string_view argument);

// "searching: 2.4 s of about 9 s", without line control.
std::string ProgressText(std::chrono::milliseconds elapsed, std::chrono::seconds expected);

// The record's first agentCount agents (0 to 32) and the stored total.
std::string FoundAsTable(const SearchSettings& record, std::int32_t totalPrinters);
std::string FoundAsJson(const SearchSettings& record, std::int32_t totalPrinters);

}  // namespace jobhost::ctl
