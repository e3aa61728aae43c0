#include "platform/linux/settings_store.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/linux/linux_test_support.h"
#include "support/utf.h"

namespace jobhost::linux {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

std::vector<std::byte> BytesOf(std::initializer_list<int> values) {
  std::vector<std::byte> bytes;
  for (int value : values) bytes.push_back(static_cast<std::byte>(value));
  return bytes;
}

// A store whose database is a file in a fresh folder.
class SettingsStoreTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string database = dir / "registry.sqlite3";
  ScopedEnv location{"JOBHOST_REGISTRY", database};
  SqliteSettingsStore store;

  // The first column of a query on the database as stored.
  std::vector<std::string> Rows(const char* sql) {
    std::vector<std::string> rows;
    auto connection = OpenDatabase(database, false);
    auto query = Prepare(connection.get(), sql, {});
    while (query && sqlite3_step(query.get()) == SQLITE_ROW) {
      rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0)));
    }
    return rows;
  }
};

TEST_F(SettingsStoreTest, KeysNeedCreatingWithEveryAncestorAndIgnoreCase) {
  EXPECT_EQ(store.OpenKey(u"Software\\Acme"), nullptr);
  EXPECT_FALSE(testing::ReadWholeFile(database)) << "opening alone makes no database";

  ASSERT_NE(store.CreateKey(u"Software\\Acme\\Vantorel\\Search"), nullptr);
  ASSERT_NE(store.CreateKey(u"SOFTWARE\\acme\\vantorel\\search"), nullptr);
  EXPECT_EQ(Rows("SELECT path FROM keys ORDER BY path"),
            (std::vector<std::string>{"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\Software",
                                      "HKEY_CURRENT_USER\\Software\\Acme",
                                      "HKEY_CURRENT_USER\\Software\\Acme\\Vantorel",
                                      "HKEY_CURRENT_USER\\Software\\Acme\\Vantorel\\Search"}));
  auto reopened = store.OpenStoredKey(u"software\\ACME\\vantorel");
  ASSERT_TRUE(reopened);
  EXPECT_EQ(reopened->path(), "HKEY_CURRENT_USER\\Software\\Acme\\Vantorel");
  EXPECT_EQ(store.OpenKey(u"Software\\Acme\\Other"), nullptr);
  for (std::u16string_view malformed : {u"\\Software", u"Software\\", u"Software\\\\Acme"}) {
    EXPECT_EQ(store.CreateKey(malformed), nullptr);
  }
}

TEST_F(SettingsStoreTest, SlashIsAnOrdinaryCharacterOfNames) {
  ASSERT_NE(store.CreateKey(u"Software\\a/b"), nullptr);
  EXPECT_EQ(store.OpenKey(u"Software\\a"), nullptr);
  EXPECT_EQ(store.OpenKey(u"Software\\a\\b"), nullptr);
  ASSERT_TRUE(store.OpenKey(u"Software\\a/b")->SetValue(u"x/y", ValueType::kBinary, BytesOf({7})));
  EXPECT_EQ(Rows("SELECT name FROM vals"), std::vector<std::string>{"x/y"});
}

TEST_F(SettingsStoreTest, ValuesKeepTypeBytesAndFirstSpellingAndNeedRoom) {
  auto key = store.CreateKey(u"Software\\Values");
  ASSERT_TRUE(key);
  struct Case {
    std::u16string name, queriedAs;
    ValueType type;
    std::vector<std::byte> data;
  };
  const Case cases[] = {
      {u"TotalPrinters", u"totalprinters", ValueType::kDword, BytesOf({0x2a, 0, 0, 0})},
      {u"SearchData", u"SEARCHDATA", ValueType::kBinary,
       std::vector<std::byte>(6472, std::byte{9})},
      {u"Text", u"Text", ValueType::kString, BytesOf({'a', 0, 0, 0})},
      {u"Empty", u"Empty", ValueType::kBinary, {}},
      {u"", u"", ValueType::kExpandString, BytesOf({'%', 0})},
  };
  for (const Case& c : cases) ASSERT_TRUE(key->SetValue(c.name, ValueType::kNone, BytesOf({1})));
  for (const Case& c : cases) ASSERT_TRUE(key->SetValue(c.queriedAs, c.type, c.data));
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    std::vector<std::byte> buffer(c.data.size() + 1, std::byte{0xee});
    auto exact = std::span(buffer).first(c.data.size());
    auto value = key->QueryValue(c.queriedAs, exact);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(std::vector<std::byte>(buffer.begin(), buffer.begin() + value->size), c.data);
    EXPECT_EQ(buffer.back(), std::byte{0xee}) << "nothing written past the value";
    if (!c.data.empty()) {
      EXPECT_FALSE(key->QueryValue(c.name, exact.first(c.data.size() - 1))) << "one byte short";
    }
  }
  EXPECT_EQ(Rows("SELECT name || ':' || type || ':' || hex(data) FROM vals WHERE type = 4"),
            std::vector<std::string>{"TotalPrinters:4:2A000000"});
  EXPECT_TRUE(key->DeleteValue(u"TOTALPRINTERS"));
  EXPECT_FALSE(key->DeleteValue(u"TotalPrinters")) << "nothing left to delete";
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNothing) {
  constexpr int kWritesEach = 20;
  auto writer = [&](char tag, bool* allWritten) {
    SqliteSettingsStore own;
    for (int index = 0; index < kWritesEach; ++index) {
      // A connection per write, as separate processes would have.
      auto key = own.CreateKey(u"Software\\Shared\\Search");
      auto name = Utf8ToUtf16(tag + std::to_string(index));
      *allWritten &= key && key->SetValue(name, ValueType::kDword, BytesOf({index, 0, 0, 0}));
    }
  };
  bool firstOk = true, secondOk = true;
  std::thread first(writer, 'a', &firstOk), second(writer, 'b', &secondOk);
  first.join();
  second.join();
  EXPECT_TRUE(firstOk && secondOk);
  EXPECT_EQ(Rows("SELECT count(*) FROM vals"), std::vector<std::string>{"40"});
}

}  // namespace
}  // namespace jobhost::linux
