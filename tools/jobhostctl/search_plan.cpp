#include "search_plan.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "reg_options.h"
#include "support/utf.h"
#include "text_formats.h"

namespace jobhost::ctl {

const std::array<OptionRule, 9> kSearchOptions = {
    OptionRule{"--host", true},      OptionRule{"--broadcast-to", true},
    OptionRule{"--ipv6", false},     OptionRule{"--community", true},
    OptionRule{"--parameter", true}, OptionRule{"--program", true},
    OptionRule{"--key", true},       OptionRule{"--json", false},
    OptionRule{"--version", false},
};

namespace {

// The search command's fields hold this many UTF-16 units and a terminator;
// longer texts would reach the program cut.
constexpr std::size_t kFieldUnits = 259;
constexpr std::size_t kKeyPathUnits = 511;
constexpr std::string_view kKeyFormatHead = "Software";
constexpr std::array<std::string_view, 3> kKeyFormatTail = {"Vantorel", "PrinterUI", "Search"};

// The library's time-outs: the first find call (longer when a host is
// searched for by name), then the SNMPv3 call.
constexpr std::chrono::seconds kFindTime{3};
constexpr std::chrono::seconds kNameFindTime{6};
constexpr std::chrono::seconds kV3FindTime{6};
constexpr std::chrono::seconds kHungGrace{20};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    std::size_t end = path.find('\\', start);
    parts.push_back(path.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool FitsField(std::string_view text) {
  return Utf8ToUtf16(text).size() <= kFieldUnits;
}

bool UsableKeyName(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos && FitsField(name);
}

bool IsNameSearch(const RecordRecipe& recipe) {
  return recipe.singleHost && !recipe.useIpv6 && recipe.ipv4Target.find('.') == std::string::npos;
}

// The kind of search: every host, broadcast to a target, or one host.
std::string ReadSearchKind(const ParsedArguments& parsed, RecordRecipe& recipe) {
  std::optional<std::string> host = parsed.Value("--host");
  std::optional<std::string> target = parsed.Value("--broadcast-to");
  if (host && target) return "--host and --broadcast-to exclude each other";
  recipe.useIpv6 = parsed.Has("--ipv6");
  recipe.singleHost = host.has_value();
  recipe.broadcastToTarget = target.has_value();
  std::string given = host.value_or(target.value_or(""));
  if ((host || target) && given.empty()) return "an empty address";
  bool looksIpv6 = given.find(':') != std::string::npos;
  if (!recipe.useIpv6 && looksIpv6) return "an IPv6 address needs --ipv6";
  if (recipe.useIpv6 && (host || target) && !looksIpv6)
    return "with --ipv6, give an IPv6 address (host names are searched for over IPv4)";
  (recipe.useIpv6 ? recipe.ipv6Target : recipe.ipv4Target) = given;
  return {};
}

}  // namespace

std::string MakeSearchPlan(const ParsedArguments& parsed, SearchPlan& plan) {
  if (!parsed.positional.empty()) return "search takes no arguments, only options (try --help)";
  if (std::string error = ReadSearchKind(parsed, plan.recipe); !error.empty()) return error;
  plan.recipe.community = parsed.Value("--community").value_or("");
  plan.parameter = parsed.Value("--parameter").value_or("");
  if (!FitsField(plan.parameter))
    return "--parameter is longer than " + std::to_string(kFieldUnits) + " characters";
  plan.program = parsed.Value("--program");
  if (plan.program && plan.program->empty()) return "--program needs a file";
  if (std::optional<std::string> key = parsed.Value("--key")) {
    plan.key = ParseSearchKey(*key);
    if (!plan.key)
      return "--key needs HKCU\\Software\\OUTER\\INNER\\Vantorel\\PrinterUI\\Search (names "
             "without \"/\")";
  }
  plan.json = parsed.Has("--json");
  SearchSettings scratch;
  return BuildRecord(plan.recipe, scratch);
}

std::optional<SearchKeyNames> ParseSearchKey(std::string_view key) {
  std::optional<std::string> path = PathBelowCurrentUser(key);
  if (!path || Utf8ToUtf16(*path).size() > kKeyPathUnits) return std::nullopt;
  std::vector<std::string_view> parts = SplitPath(*path);
  if (parts.size() != 3 + kKeyFormatTail.size() || !SameIgnoringCase(parts[0], kKeyFormatHead))
    return std::nullopt;
  for (std::size_t i = 0; i < kKeyFormatTail.size(); ++i)
    if (!SameIgnoringCase(parts[3 + i], kKeyFormatTail[i])) return std::nullopt;
  if (!UsableKeyName(parts[1]) || !UsableKeyName(parts[2])) return std::nullopt;
  return SearchKeyNames{std::string(parts[1]), std::string(parts[2])};
}

std::string SearchKeyPath(const SearchKeyNames& names) {
  std::string path = std::string(kKeyFormatHead) + "\\" + names.outer + "\\" + names.inner;
  for (std::string_view part : kKeyFormatTail) {
    path += '\\';
    path += part;
  }
  return path;
}

std::string SearchCommandArgument(const SearchKeyNames& names, std::string_view parameter) {
  return std::to_string(Utf8ToUtf16(names.inner).size()) + "/" + names.inner + "/" + names.outer +
         "/Search/" + std::string(parameter);
}

std::chrono::seconds ExpectedSearchTime(const RecordRecipe& recipe) {
  return (IsNameSearch(recipe) ? kNameFindTime : kFindTime) + kV3FindTime;
}

std::chrono::seconds SearchTimeLimit(const RecordRecipe& recipe) {
  return ExpectedSearchTime(recipe) + kHungGrace;
}

std::string PathBeside(std::string_view toolPath, std::string_view fileName) {
  std::size_t slash = toolPath.find_last_of("/\\");
  std::string_view folder = slash == std::string_view::npos ? "" : toolPath.substr(0, slash + 1);
  return std::string(folder) + std::string(fileName);
}

std::array<std::string, 2> DefaultProgramPaths(std::string_view toolPath,
                                               std::string_view fileName) {
  return {PathBeside(toolPath, fileName),
          PathBeside(toolPath, "../lib/jobhost/" + std::string(fileName))};
}

// Backslashes count only before a quote: there they are doubled, and the
// quote escaped; a closing quote needs the trailing ones doubled too.
std::string QuoteWindowsArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
    return std::string(argument);
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    quoted.push_back(c);
    backslashes = 0;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

std::string ProgressText(std::chrono::milliseconds elapsed, std::chrono::seconds expected) {
  char text[64];
  std::snprintf(text, sizeof text, "searching: %.1f s of about %lld s",
                static_cast<double>(elapsed.count()) / 1000.0,
                static_cast<long long>(expected.count()));
  return text;
}

namespace {

struct FoundAgent {
  std::string address;
  std::string name;
};

std::vector<FoundAgent> FoundAgents(const SearchSettings& record) {
  std::vector<FoundAgent> found;
  for (int i = 0; i < std::clamp(record.agentCount(), 0, kMaxAgents); ++i)
    found.push_back({AgentAddress(record.agent(i)), AgentName(record.agent(i))});
  return found;
}

// Control characters of a stored name would steer the terminal.
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

}  // namespace

std::string FoundAsTable(const SearchSettings& record, std::int32_t totalPrinters) {
  std::vector<FoundAgent> found = FoundAgents(record);
  std::size_t width = std::string_view("address").size();
  for (const FoundAgent& agent : found) width = std::max(width, agent.address.size());
  auto row = [&](const std::string& address, const std::string& name) {
    return address + std::string(width - address.size() + 2, ' ') + name + "\n";
  };
  std::string table = row("address", "name");
  for (const FoundAgent& agent : found)
    table += row(Printable(agent.address), Printable(agent.name));
  return table + "TotalPrinters: " + std::to_string(totalPrinters) + "\n";
}

std::string FoundAsJson(const SearchSettings& record, std::int32_t totalPrinters) {
  std::string json = "{\"printers\":[";
  std::vector<FoundAgent> found = FoundAgents(record);
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (i > 0) json += ",";
    json += "{\"address\":" + JsonString(found[i].address) +
            ",\"name\":" + JsonString(found[i].name) + "}";
  }
  return json + "],\"totalPrinters\":" + std::to_string(totalPrinters) + "}";
}

}  // namespace jobhost::ctl
