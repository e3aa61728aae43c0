#include "search/search_command.h"

#include <gtest/gtest.h>

#include "search/search_test_support.h"
#include "support/utf.h"

namespace jobhost {
namespace {

using testing::FakeSettingsStore;
using testing::Report;
using testing::ScriptedDiscovery;
using testing::TestPlatform;
using Calls = std::vector<std::string>;

constexpr char16_t kKey[] = u"Software\\def\\abc\\Vantorel\\PrinterUI\\Search";

std::vector<std::byte> AsBytes(std::span<const std::uint8_t> data) {
  auto bytes = std::as_bytes(data);
  return {bytes.begin(), bytes.end()};
}

FakeSettingsStore::Value StoredRecord(std::size_t size = kSearchSettingsSize) {
  SearchSettings record;
  for (std::size_t i = 0; i < kSearchSettingsSize; ++i)
    record.bytes()[i] = static_cast<std::uint8_t>(i % 251 + 1);
  record.setUseIpv6(false);
  record.setSingleHost(false);
  record.setBroadcastToTarget(false);
  return {ValueType::kBinary, AsBytes(std::span(record.bytes()).first(size))};
}

FakeSettingsStore::Value Dword(std::uint32_t value) {
  std::vector<std::byte> data;
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::byte>(value >> (8 * i)));
  return {ValueType::kDword, data};
}

struct SearchRun {
  TestPlatform fakes;
  std::optional<int> exitCode;

  explicit SearchRun(std::u16string_view path = kKey, bool withLibrary = true) {
    ScriptedDiscovery::Reset();
    if (withLibrary) fakes.libraries.Provide(testing::kLibraryPath, ScriptedDiscovery::Exports());
    fakes.settings.keys[std::u16string(path)] = {{u"SearchData", StoredRecord()}};
  }
  FakeSettingsStore::Values& Values(std::u16string_view path = kKey) {
    return fakes.settings.keys[std::u16string(path)];
  }
  void Run(std::u16string_view argument) {
    exitCode = RunSearchCommand(argument, testing::kFamily, fakes.platform);
    EXPECT_EQ(fakes.settings.openKeys, 0);
    EXPECT_EQ(fakes.libraries.open(), 0);
  }
};

enum class Form { kNotSearch, kUntouched, kCountOnly, kFull };

Calls ExpectedCalls(Form form, const std::string& path) {
  switch (form) {
    case Form::kCountOnly:
      return {"open " + path, "set TotalPrinters", "close"};
    case Form::kFull:
      return {"open " + path, "query SearchData", "delete TotalPrinters", "set TotalPrinters",
              "close"};
    default:
      return {};
  }
}

TEST(RunSearchCommand, SplitsTheArgumentIntoKeyAndParameter) {
  const std::string i259(259, 'i'), o300(300, 'o');
  const struct {
    std::u16string argument;
    Form form;
    std::string path;
    std::string parameter;  // as the find calls receive it
  } cases[] = {
      {u"5/AB/CD/Alpha/Search/x", Form::kFull,
       "Software\\Alpha\\AB/CD\\Vantorel\\PrinterUI\\Search", "x"},
      {u"3/abcXdef/Search", Form::kCountOnly, "Software\\def\\abc\\Vantorel\\PrinterUI\\Search",
       ""},
      {u"3/abc/def/Searching/p", Form::kFull, "Software\\def\\abc\\Vantorel\\PrinterUI\\Search",
       "p"},
      {u"3/abc/def/Search/p/q", Form::kFull, "Software\\def\\abc\\Vantorel\\PrinterUI\\Search",
       "p/q"},
      {u"3/abc/def/Search/", Form::kFull, "Software\\def\\abc\\Vantorel\\PrinterUI\\Search", ""},
      {u"3/abc/def/Search/" + std::u16string(300, u'p'), Form::kFull,
       "Software\\def\\abc\\Vantorel\\PrinterUI\\Search", std::string(255, 'p')},
      {u" +3x/abc/def/Search", Form::kCountOnly, "Software\\def\\abc\\Vantorel\\PrinterUI\\Search",
       ""},
      {u"0/Xdef/Search", Form::kCountOnly, "Software\\def\\\\Vantorel\\PrinterUI\\Search", ""},
      {u"300/" + std::u16string(300, u'i') + u"/def/Search", Form::kCountOnly,
       "Software\\def\\" + i259 + "\\Vantorel\\PrinterUI\\Search", ""},
      {u"3/abc/def/search/p", Form::kNotSearch, "", ""},
      {u"3/abc/def/Sear", Form::kNotSearch, "", ""},
      {u"2/abc/def/Search", Form::kNotSearch, "", ""},  // outer key empty, command "def/Search"
      {u"hello", Form::kNotSearch, "", ""},
      {u"", Form::kNotSearch, "", ""},
      {u"3/abc/def", Form::kUntouched, "", ""},
      {u"-1/abc/def/Search/p", Form::kUntouched, "", ""},
      {u"3/abc", Form::kUntouched, "", ""},
      {u"99999999999/abc/def/Search/p", Form::kUntouched, "", ""},
      {u"300/" + std::u16string(300, u'i') + u"/" + Utf8ToUtf16(o300) + u"/Search",
       Form::kUntouched, "", ""},  // the key path does not fit
  };
  for (const auto& c : cases) {
    std::string name = Utf16ToUtf8(c.argument).substr(0, 40);
    SearchRun run(Utf8ToUtf16(c.path));
    run.Run(c.argument);
    EXPECT_EQ(run.exitCode, c.form == Form::kNotSearch ? std::nullopt : std::optional(1)) << name;
    EXPECT_EQ(run.fakes.settings.calls, ExpectedCalls(c.form, c.path)) << name;
    bool searched = c.form == Form::kFull;
    ASSERT_EQ(ScriptedDiscovery::log.size(), searched ? 2u : 0u) << name;
    if (searched) {
      EXPECT_NE(ScriptedDiscovery::log[1].find("4244635776," + c.parameter + ",0,v4"),
                std::string::npos)
          << name;
    }
    if (c.form == Form::kFull || c.form == Form::kCountOnly) {
      EXPECT_EQ(run.Values(Utf8ToUtf16(c.path))[u"TotalPrinters"], Dword(0)) << name;
    }
  }
}

std::optional<FakeSettingsStore::Value> Stored(SearchRun& run, const char16_t* name) {
  auto key = run.fakes.settings.keys.find(kKey);
  if (key == run.fakes.settings.keys.end()) return std::nullopt;
  auto value = key->second.find(name);
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

TEST(RunSearchCommand, StoresOnlyWhatEachOutcomeAllows) {
  using Value = std::optional<FakeSettingsStore::Value>;
  const std::string path = Utf16ToUtf8(kKey);
  const Value record = StoredRecord(), earlierTotal = Dword(9), noTotal = Dword(0);
  Value longRecord = record;
  longRecord->data.push_back(std::byte{1});
  // One agent answered both find calls: two answers, one entry.
  SearchSettings merged = SearchSettings::FromStored(
      std::span(reinterpret_cast<const std::uint8_t*>(record->data.data()), record->data.size()));
  merged.setAgentCount(1);
  std::ranges::fill(merged.agent(0), std::uint8_t{0});
  merged.agent(0)[0] = 'a';
  merged.agent(0)[kAgentNameOffset] = 'n';
  const Value mergedRecord = FakeSettingsStore::Value{ValueType::kBinary, AsBytes(merged.bytes())};

  enum Setup { kStored, kNoKey, kNoStore, kLongRecord, kUnreadable, kNoLibrary, kFound };
  const std::u16string full = u"3/abc/def/Search/p", countOnly = u"3/abc/def/Search";
  const Calls failedRead = {"open " + path, "query SearchData", "close"};
  const struct {
    Setup setup;
    std::u16string argument;
    Calls calls;
    Value searchData, total;
  } cases[] = {
      {kNoKey, full, {"open " + path, "create " + path, "query SearchData", "close"}, {}, {}},
      {kNoKey,
       countOnly,
       {"open " + path, "create " + path, "set TotalPrinters", "close"},
       {},
       noTotal},
      {kNoStore, full, {"open " + path, "create " + path}, {}, {}},
      {kLongRecord, full, failedRead, longRecord, earlierTotal},
      {kUnreadable, full, failedRead, record, earlierTotal},
      {kStored, full, ExpectedCalls(Form::kFull, path), record, noTotal},
      {kNoLibrary, full, ExpectedCalls(Form::kFull, path), record, noTotal},
      {kStored, countOnly, ExpectedCalls(Form::kCountOnly, path), record, noTotal},
      {kFound,
       full,
       {"open " + path, "query SearchData", "delete TotalPrinters", "set SearchData",
        "set TotalPrinters", "close"},
       mergedRecord,
       Dword(2)},
  };
  for (const auto& c : cases) {
    SearchRun run(kKey, c.setup != kNoLibrary);
    FakeSettingsStore& store = run.fakes.settings;
    run.Values() = {{u"SearchData", c.setup == kLongRecord ? *longRecord : *record},
                    {u"TotalPrinters", *earlierTotal}};
    if (c.setup == kNoKey || c.setup == kNoStore) store.keys.clear();
    store.createFails = c.setup == kNoStore;
    store.queryFails = c.setup == kUnreadable;
    if (c.setup == kFound) {
      ScriptedDiscovery::firstReports = ScriptedDiscovery::v3Reports = {{"a", "n"}};
    }
    run.Run(c.argument);
    EXPECT_EQ(run.exitCode, 1) << c.setup;
    EXPECT_EQ(store.calls, c.calls) << c.setup;
    EXPECT_EQ(store.keys.contains(kKey), c.setup != kNoStore) << c.setup;
    EXPECT_EQ(Stored(run, u"SearchData"), c.searchData) << c.setup;
    EXPECT_EQ(Stored(run, u"TotalPrinters"), c.total) << c.setup;
  }
}

}  // namespace
}  // namespace jobhost
