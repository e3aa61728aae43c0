#include <array>
#include <cstddef>

#include "arguments.h"
#include "commands.h"
#include "record_text.h"
#include "reg_options.h"
#include "settings_access.h"
#include "support/utf.h"

namespace jobhost::ctl {
namespace {

constexpr std::string_view kRecordHelp = R"(usage: jobhostctl record make [OPTIONS] --out F
       jobhostctl record show (--file F | --key KEY) [--json]

make   writes a 6472-byte search-settings record to the file F; every byte
       not set by an option is zero.
         --single-host            singleHost = 1
         --broadcast-to-target    broadcastToTarget = 1
         --ipv6                   useIpv6 = 1
         --ipv4-target T          at most 24 bytes
         --ipv6-target T          at most 128 bytes
         --community C            at most 128 bytes
         --agents-from F          agents, one per line: address<TAB>name
                                  (at most 32; address 79 bytes, name 47)
         --agent-count N          store N as agentCount instead of the
                                  number of agents
       Texts are stored as the UTF-8 bytes given.
show   prints the settings and the first agentCount agents (0 to 32) of the
       record in the file F, or of the value "SearchData" of KEY ("HKCU\...").
       A shorter record reads as if padded with zero bytes; "size" tells how
       many bytes were stored. Texts are JSON strings: UTF-8 as it is, other
       bytes as \u00XX.
         --json                   one JSON object: size, singleHost,
                                  broadcastToTarget, ipv4Target, ipv6Target,
                                  community, useIpv6, agentCount,
                                  agents [{address, name}]

exit codes: 0 done, 1 file, key or value missing or unwritable, 2 usage error
            (also a text too long for its field)
)";

constexpr std::array kOptions = {
    OptionRule{"--single-host", false}, OptionRule{"--broadcast-to-target", false},
    OptionRule{"--ipv6", false},        OptionRule{"--ipv4-target", true},
    OptionRule{"--ipv6-target", true},  OptionRule{"--community", true},
    OptionRule{"--agents-from", true},  OptionRule{"--agent-count", true},
    OptionRule{"--out", true},          OptionRule{"--file", true},
    OptionRule{"--key", true},          OptionRule{"--json", false},
};

constexpr std::array kMakeOnly = {"--single-host", "--broadcast-to-target", "--ipv6",
                                  "--ipv4-target", "--ipv6-target",         "--community",
                                  "--agents-from", "--agent-count",         "--out"};
constexpr std::array kShowOnly = {"--file", "--key", "--json"};

template <std::size_t N>
bool AnyOf(const ParsedArguments& parsed, const std::array<const char*, N>& names) {
  for (const char* name : names)
    if (parsed.Has(name)) return true;
  return false;
}

int Make(const ParsedArguments& parsed) {
  std::optional<std::string> out = parsed.Value("--out");
  if (!out) return Fail(kExitUsage, "record make needs --out F");
  RecordRecipe recipe;
  recipe.singleHost = parsed.Has("--single-host");
  recipe.broadcastToTarget = parsed.Has("--broadcast-to-target");
  recipe.useIpv6 = parsed.Has("--ipv6");
  recipe.ipv4Target = parsed.Value("--ipv4-target").value_or("");
  recipe.ipv6Target = parsed.Value("--ipv6-target").value_or("");
  recipe.community = parsed.Value("--community").value_or("");
  if (std::optional<std::string> count = parsed.Value("--agent-count")) {
    std::optional<std::uint32_t> number = ParseDword(*count);
    if (!number) return Fail(kExitUsage, "--agent-count needs a 32-bit number");
    recipe.agentCount = static_cast<std::int32_t>(*number);
  }
  if (std::optional<std::string> agentsPath = parsed.Value("--agents-from")) {
    std::optional<std::vector<std::uint8_t>> text = ReadFileBytes(*agentsPath);
    if (!text) return Fail(kExitFailed, "cannot read " + *agentsPath);
    recipe.agents = ParseAgentsFile(std::string(text->begin(), text->end()));
  }
  SearchSettings record;
  if (std::string error = BuildRecord(recipe, record); !error.empty())
    return Fail(kExitUsage, error);
  if (!WriteFileBytes(*out, record.bytes())) return Fail(kExitFailed, "cannot write " + *out);
  return kExitOk;
}

// The stored record of KEY's "SearchData"; an error text when there is none.
std::string ReadStoredRecord(const std::string& key, std::vector<std::uint8_t>& stored, int& code) {
  code = kExitUsage;
  std::optional<std::string> path = PathBelowCurrentUser(key);
  if (!path) return "KEY must start with HKEY_CURRENT_USER\\ or HKCU\\";
  code = kExitFailed;
  std::unique_ptr<ToolSettings> settings = OpenToolSettings();
  std::unique_ptr<SettingsKey> opened = settings->store().OpenKey(Utf8ToUtf16(*path));
  if (!opened) return "key not found";
  std::vector<std::byte> buffer(kQueryBuffer);
  std::optional<StoredValue> value = opened->QueryValue(kSearchDataValue, buffer);
  if (!value) return "value SearchData not found";
  for (std::size_t i = 0; i < value->size; ++i)
    stored.push_back(static_cast<std::uint8_t>(buffer[i]));
  return {};
}

int Show(const ParsedArguments& parsed) {
  std::optional<std::string> file = parsed.Value("--file");
  std::optional<std::string> key = parsed.Value("--key");
  if (file.has_value() == key.has_value()) return Fail(kExitUsage, "give --file F or --key KEY");
  std::vector<std::uint8_t> stored;
  if (file) {
    std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(*file);
    if (!bytes) return Fail(kExitFailed, "cannot read " + *file);
    stored = std::move(*bytes);
  } else {
    int code = kExitOk;
    if (std::string error = ReadStoredRecord(*key, stored, code); !error.empty())
      return Fail(code, error);
  }
  SearchSettings record = SearchSettings::FromStored(stored);
  PrintOut(parsed.Has("--json") ? RecordAsJson(record, stored.size()) + "\n"
                                : RecordAsText(record, stored.size()));
  return kExitOk;
}

}  // namespace

int RunRecord(std::span<const std::string> arguments) {
  ParsedArguments parsed = ParseArguments(arguments, kOptions);
  if (parsed.Has("--help")) return ShowHelp(kRecordHelp);
  if (!parsed.error.empty()) return Fail(kExitUsage, parsed.error);
  if (parsed.positional.size() != 1) return Fail(kExitUsage, "give make or show (try --help)");
  const std::string& action = parsed.positional.front();
  if (action == "make") {
    if (AnyOf(parsed, kShowOnly)) return Fail(kExitUsage, "option not for record make");
    return Make(parsed);
  }
  if (action == "show") {
    if (AnyOf(parsed, kMakeOnly)) return Fail(kExitUsage, "option not for record show");
    return Show(parsed);
  }
  return Fail(kExitUsage, "unknown action " + action + " (make or show)");
}

}  // namespace jobhost::ctl
