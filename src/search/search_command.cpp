#include "search/search_command.h"

#include <algorithm>
#include <array>
#include <limits>

#include "search/agent_discovery.h"
#include "search/agent_table.h"
#include "search/search_settings.h"
#include "support/bounded_text.h"

namespace jobhost {
namespace {

constexpr int kSearchExitCode = 1;

// Capacities of the argument's fields, in UTF-16 units with the terminator.
constexpr std::size_t kLengthTextCapacity = 50;
constexpr std::size_t kKeyNameCapacity = 260;
constexpr std::size_t kCommandCapacity = 20;
constexpr std::size_t kSearchParameterCapacity = 260;
constexpr std::size_t kKeyPathCapacity = 512;

constexpr std::u16string_view kSearchCommand = u"Search";
constexpr char16_t kKeyPathFormat[] = u"Software\\%s\\%s\\Vantorel\\PrinterUI\\Search";
constexpr char16_t kTotalPrintersValue[] = u"TotalPrinters";

std::u16string Field(std::u16string_view text, std::size_t capacity) {
  return std::u16string(text.substr(0, capacity - 1));
}

bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::optional<std::u16string> KeyPath(const SearchArgument& argument) {
  std::array<char16_t, kKeyPathCapacity> path{};
  // A cut path would name another key.
  if (BoundedFormatW(path.data(), path.size(), kKeyPathFormat, argument.outerKeyName.c_str(),
                     argument.innerKeyName.c_str()) != kStatusOk)
    return std::nullopt;
  return std::u16string(path.data());
}

std::unique_ptr<SettingsKey> OpenOrCreate(SettingsStore& store, std::u16string_view path) {
  std::unique_ptr<SettingsKey> key = store.OpenKey(path);
  return key != nullptr ? std::move(key) : store.CreateKey(path);
}

void StorePrinterTotal(SettingsKey& key, std::int32_t total) {
  auto bits = static_cast<std::uint32_t>(total);
  std::array<std::byte, 4> data;
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::byte>(bits >> (8 * i));
  key.SetValue(kTotalPrintersValue, ValueType::kDword, data);
}

// nullopt when "SearchData" is missing, longer than the record, or unreadable.
std::optional<SearchSettings> ReadSettings(SettingsKey& key) {
  SearchSettings buffer;
  std::optional<StoredValue> stored =
      key.QueryValue(kSearchDataValue, std::as_writable_bytes(buffer.bytes()));
  if (!stored) return std::nullopt;
  // A shorter value fills the start of the record; the rest reads as zero bytes.
  return SearchSettings::FromStored(std::span<const std::uint8_t>(buffer.bytes())
                                        .first(std::min(stored->size, kSearchSettingsSize)));
}

void RunFullSearch(SettingsKey& key, const std::u16string& searchParameter, const Family& family,
                   Platform& platform, AgentTable& table) {
  std::optional<SearchSettings> settings = ReadSettings(key);
  if (!settings) return;
  key.DeleteValue(kTotalPrintersValue);
  ResetAgentTable(table);
  DiscoverAgents(*settings, family, searchParameter, platform, table);
  if (DiscoveryStatus(table) == kAgentsMerged) {
    key.SetValue(kSearchDataValue, ValueType::kBinary, std::as_bytes(settings->bytes()));
  } else {
    ResetAgentTable(table);
  }
  StorePrinterTotal(key, AgentTableCount(table));
}

}  // namespace

std::int32_t ParseLength(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
}

ArgumentSplit SplitSearchArgument(std::u16string_view argument, OemText& oem) {
  ArgumentSplit split;
  // The argument is a terminated text: nothing after a zero unit counts.
  argument = argument.substr(0, argument.find(u'\0'));
  std::size_t firstSlash = argument.find(u'/');
  if (firstSlash == std::u16string_view::npos) return split;

  std::int32_t innerLength =
      ParseLength(oem.FromUtf16(Field(argument.substr(0, firstSlash), kLengthTextCapacity)));
  std::u16string_view rest = argument.substr(firstSlash + 1);
  // The separator must lie inside the argument.
  if (innerLength < 0 || static_cast<std::size_t>(innerLength) >= rest.size()) {
    split.kind = ArgumentSplit::Kind::kMalformed;
    return split;
  }
  auto separator = static_cast<std::size_t>(innerLength);
  std::size_t outerEnd = rest.find(u'/', separator + 1);
  if (outerEnd == std::u16string_view::npos) {
    split.kind = ArgumentSplit::Kind::kMalformed;
    return split;
  }
  std::u16string_view command = rest.substr(outerEnd + 1);
  if (!Field(command, kCommandCapacity).starts_with(kSearchCommand)) return split;

  split.kind = ArgumentSplit::Kind::kSearch;
  split.argument.innerKeyName = Field(rest.substr(0, separator), kKeyNameCapacity);
  split.argument.outerKeyName =
      Field(rest.substr(separator + 1, outerEnd - separator - 1), kKeyNameCapacity);
  std::size_t parameterSlash = command.find(u'/');
  if (parameterSlash != std::u16string_view::npos) {
    split.argument.searchParameter =
        Field(command.substr(parameterSlash + 1), kSearchParameterCapacity);
  }
  return split;
}

std::optional<int> RunSearchCommand(std::u16string_view firstArgument, const Family& family,
                                    Platform& platform) {
  ArgumentSplit split = SplitSearchArgument(firstArgument, platform.oem);
  if (split.kind == ArgumentSplit::Kind::kNotSearch) return std::nullopt;
  if (split.kind == ArgumentSplit::Kind::kMalformed) return kSearchExitCode;

  AgentTable table;
  ResetAgentTable(table);
  std::optional<std::u16string> path = KeyPath(split.argument);
  if (!path) return kSearchExitCode;
  std::unique_ptr<SettingsKey> key = OpenOrCreate(platform.settings, *path);
  if (key == nullptr) return kSearchExitCode;
  if (split.argument.searchParameter) {
    RunFullSearch(*key, *split.argument.searchParameter, family, platform, table);
  } else {
    StorePrinterTotal(*key, AgentTableCount(table));
  }
  return kSearchExitCode;
}

}  // namespace jobhost
