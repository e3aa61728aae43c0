// "jobhostctl search": prepares a record, runs the program's search command
// on it as the driver does, and prints what the program stored.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>

#include "arguments.h"
#include "commands.h"
#include "search_host.h"
#include "search_plan.h"
#include "settings_access.h"
#include "support/utf.h"

namespace jobhost::ctl {
namespace {

constexpr int kExitInterrupted = 130;
constexpr std::chrono::milliseconds kProgressStep{200};
constexpr char16_t kTotalPrintersValue[] = u"TotalPrinters";

constexpr std::string_view kSearchHelp = R"(usage: jobhostctl search [OPTIONS]

Tries the printer search as the driver does: stores a search-settings record,
runs the program's search command on it, and prints each printer the program
stored (address, name) and its TotalPrinters. The record lives in a store of
its own, removed afterwards (Linux: a temporary database; Windows: a
temporary key below HKEY_CURRENT_USER\Software), never in your settings.

kind of search (default: broadcast to every host of every LAN):
  --broadcast-to T     broadcast to the address T (e.g. 192.0.2.255)
  --host H             ask the one host H: an address, or (IPv4) the name
                       an agent answers with (sysName; no dots), searched
                       for by broadcast and kept by that name
  --ipv6               search over IPv6 (T and H are then IPv6 addresses)
  --community C        the SNMP community (default: public)
  --parameter P        the search parameter handed to the discovery library
                       (e.g. "port=1161", "range=10.1.0.0/24", "printers=1")

where:
  --program F          the search program (default: )" JOBHOST_DEFAULT_PREFIX R"(svc.exe beside
                       jobhostctl, or in ../lib/jobhost/ from it)
  --key KEY            store the record under KEY of your own settings store
                       and keep it: HKCU\Software\OUTER\INNER\Vantorel\PrinterUI\Search

output:
  --json               one JSON object: printers [{address, name}], totalPrinters
  While the search runs, a terminal shows the time elapsed against the
  expected time; other output gets the findings only.
  --version            print jobhostctl's version and nothing else

exit codes: 0 searched (even if nothing was found), 1 the search could not
run (program missing, not the search program, hung, store failed), 2 usage
error, 130 interrupted (Ctrl-C; on Linux also SIGTERM and SIGHUP; on Windows
a closed console). The temporary store is removed on every path.
)";

// Replaces the terminal's current line; flushed, since it ends in no line feed.
void ShowOnLine(std::string_view text, std::size_t& shown) {
  std::string line(1, '\r');
  line += text;
  if (text.size() < shown) line += std::string(shown - text.size(), ' ') + "\r";
  PrintOut(line);
  std::fflush(stdout);
  shown = text.size();
}

// Runs the program, showing progress on a terminal; the exit code, or an
// error text (and code) when it did not end by itself.
std::optional<int> RunProgram(const std::string& program, const std::string& argument,
                              const RecordRecipe& recipe, std::string& error, int& code) {
  code = kExitFailed;
  std::unique_ptr<ChildProgram> child = StartProgram(program, argument, error);
  if (!child) {
    error = "cannot start " + program + ": " + error;
    return std::nullopt;
  }
  const bool progress = OutputIsTerminal();
  const auto start = std::chrono::steady_clock::now();
  std::size_t shown = 0;
  for (;;) {
    std::optional<int> exitCode = child->Wait(kProgressStep);
    // Ctrl-C reaches the whole process group: the program may end of it
    // before this tool looks, and its exit code then says nothing.
    if (exitCode && !Interrupted()) {
      if (shown > 0) ShowOnLine("", shown);
      return exitCode;
    }
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (Interrupted()) {
      code = kExitInterrupted;
      error = "interrupted";
    } else if (elapsed > SearchTimeLimit(recipe)) {
      error = program + " did not end within " + std::to_string(SearchTimeLimit(recipe).count()) +
              " s: is it the search program?";
    }
    if (!error.empty()) {
      if (shown > 0) PrintOut("\n");
      return std::nullopt;
    }
    if (progress) ShowOnLine(ProgressText(elapsed, ExpectedSearchTime(recipe)), shown);
  }
}

std::optional<std::vector<std::uint8_t>> QueryBytes(SettingsKey& key, std::u16string_view name,
                                                    std::size_t capacity) {
  std::vector<std::byte> buffer(capacity);
  std::optional<StoredValue> stored = key.QueryValue(name, buffer);
  if (!stored) return std::nullopt;
  std::vector<std::uint8_t> bytes(stored->size);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(buffer[i]);
  return bytes;
}

// Stores the record and clears TotalPrinters, so only the program's answer
// can set it.
bool StoreRecord(SettingsStore& store, const std::u16string& path, const RecordRecipe& recipe) {
  SearchSettings record;
  BuildRecord(recipe, record);  // the plan has checked that it fits
  std::unique_ptr<SettingsKey> key = store.CreateKey(path);
  if (!key) return false;
  key->DeleteValue(kTotalPrintersValue);
  return key->SetValue(kSearchDataValue, ValueType::kBinary, std::as_bytes(record.bytes()));
}

int ShowFindings(SettingsStore& store, const std::u16string& path, const SearchPlan& plan,
                 const std::string& program, int exitCode) {
  std::unique_ptr<SettingsKey> key = store.OpenKey(path);
  auto total = key ? QueryBytes(*key, kTotalPrintersValue, 4) : std::nullopt;
  if (exitCode != 1 || !total || total->size() != 4)
    return Fail(kExitFailed, program + " ended with exit code " + std::to_string(exitCode) +
                                 " and stored no TotalPrinters: is it not the search program?");
  auto stored = QueryBytes(*key, kSearchDataValue, kSearchSettingsSize);
  if (!stored) return Fail(kExitFailed, "the search record is gone from the store");
  SearchSettings record = SearchSettings::FromStored(*stored);
  auto printers = static_cast<std::int32_t>((*total)[0] | (*total)[1] << 8 | (*total)[2] << 16 |
                                            static_cast<std::uint32_t>((*total)[3]) << 24);
  PrintOut(plan.json ? FoundAsJson(record, printers) + "\n" : FoundAsTable(record, printers));
  return kExitOk;
}

// The first of the default places that holds the program, else the first.
std::optional<std::string> DefaultProgram() {
  std::optional<std::string> tool = ToolPath();
  if (!tool) return std::nullopt;
  std::array<std::string, 2> paths = DefaultProgramPaths(*tool, JOBHOST_DEFAULT_PREFIX "svc.exe");
  std::error_code ignored;
  for (const std::string& path : paths)
    if (std::filesystem::exists(std::filesystem::path(Utf8ToUtf16(path)), ignored)) return path;
  return paths.front();
}

int Search(const SearchPlan& plan) {
  std::optional<std::string> program = plan.program ? plan.program : DefaultProgram();
  if (!program) return Fail(kExitFailed, "cannot read jobhostctl's own path; give --program");
  CatchInterrupts();
  std::string error;
  std::unique_ptr<TemporaryStore> temporary;
  if (!plan.key) {
    temporary = MakeTemporaryStore(error);
    if (!temporary) return Fail(kExitFailed, error);
  }
  const SearchKeyNames& names = plan.key ? *plan.key : temporary->names();
  std::u16string path = Utf8ToUtf16(SearchKeyPath(names));
  std::unique_ptr<ToolSettings> settings = OpenToolSettings();
  if (!StoreRecord(settings->store(), path, plan.recipe))
    return Fail(kExitFailed, "cannot store the search record");
  int code = kExitFailed;
  std::optional<int> exitCode =
      RunProgram(*program, SearchCommandArgument(names, plan.parameter), plan.recipe, error, code);
  if (!exitCode) return Fail(code, error);
  return ShowFindings(settings->store(), path, plan, *program, *exitCode);
}

}  // namespace

int RunSearch(std::span<const std::string> arguments) {
  ParsedArguments parsed = ParseArguments(arguments, kSearchOptions);
  if (parsed.Has("--help")) return ShowHelp(kSearchHelp);
  if (parsed.Has("--version")) return ShowVersion();
  if (!parsed.error.empty()) return Fail(kExitUsage, parsed.error);
  SearchPlan plan;
  if (std::string error = MakeSearchPlan(parsed, plan); !error.empty())
    return Fail(kExitUsage, error);
  return Search(plan);
}

}  // namespace jobhost::ctl
