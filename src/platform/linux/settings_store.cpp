#include "platform/linux/settings_store.h"

#include <cstdint>
#include <cstring>

#include "platform/linux/settings_location.h"
#include "support/utf.h"

namespace jobhost::linux {
namespace {

std::optional<std::string> ValueNameOf(std::u16string_view name) {
  std::string text = Utf16ToUtf8(name);
  if (text.find('\0') != std::string::npos) return std::nullopt;
  return text;
}

// The path as the keys table holds it, or nullopt when there is no such key.
std::optional<std::string> StoredSpelling(sqlite3* connection, const std::string& path) {
  auto statement = Prepare(connection, "SELECT path FROM keys WHERE path = ?1", {path});
  if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) return std::nullopt;
  auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
  return std::string(text != nullptr ? text : "");
}

bool InsertKeyWithAncestors(sqlite3* connection, const std::string& path) {
  WriteTransaction transaction(connection);
  if (!transaction.open()) return false;
  for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
    std::string_view key = std::string_view(path).substr(0, end);
    auto insert = Prepare(connection, "INSERT OR IGNORE INTO keys(path) VALUES (?1)", {key});
    if (!insert || sqlite3_step(insert.get()) != SQLITE_DONE) return false;
    if (end == std::string::npos) break;
  }
  return transaction.Commit();
}

std::vector<std::byte> BlobOf(sqlite3_stmt* statement, int column) {
  auto data = static_cast<const std::byte*>(sqlite3_column_blob(statement, column));
  auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
  if (data == nullptr) return {};
  return std::vector<std::byte>(data, data + size);
}

}  // namespace

std::optional<std::string> StoredKeyPath(std::u16string_view path) {
  std::string stored = kSettingsRoot;
  if (path.empty()) return stored;
  std::string relative = Utf16ToUtf8(path);
  if (relative.find('\0') != std::string::npos) return std::nullopt;
  if (relative.front() == '\\' || relative.back() == '\\') return std::nullopt;
  if (relative.find("\\\\") != std::string::npos) return std::nullopt;
  return stored + "\\" + relative;
}

std::unique_ptr<SqliteSettingsKey> SqliteSettingsStore::OpenStoredKey(std::u16string_view path) {
  auto keyPath = StoredKeyPath(path);
  auto database = SettingsDatabasePath();
  if (!keyPath || !database) return nullptr;
  auto connection = OpenDatabase(*database, false);
  if (!connection) return nullptr;
  auto spelling = StoredSpelling(connection.get(), *keyPath);
  if (!spelling) return nullptr;
  return std::make_unique<SqliteSettingsKey>(std::move(connection), std::move(*spelling));
}

std::unique_ptr<SqliteSettingsKey> SqliteSettingsStore::CreateStoredKey(std::u16string_view path) {
  auto keyPath = StoredKeyPath(path);
  auto database = SettingsDatabasePath();
  if (!keyPath || !database || !CreateParentDirectories(*database)) return nullptr;
  auto connection = OpenDatabase(*database, true);
  if (!connection || !InsertKeyWithAncestors(connection.get(), *keyPath)) return nullptr;
  auto spelling = StoredSpelling(connection.get(), *keyPath);
  if (!spelling) return nullptr;
  return std::make_unique<SqliteSettingsKey>(std::move(connection), std::move(*spelling));
}

std::optional<StoredValue> SqliteSettingsKey::QueryValue(std::u16string_view name,
                                                         std::span<std::byte> buffer) {
  auto valueName = ValueNameOf(name);
  if (!valueName) return std::nullopt;
  auto query =
      Prepare(connection_.get(), "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2",
              {path_, *valueName});
  if (!query || sqlite3_step(query.get()) != SQLITE_ROW) return std::nullopt;
  auto size = static_cast<std::size_t>(sqlite3_column_bytes(query.get(), 1));
  // As the registry does: a buffer too small for the value gets nothing.
  if (size > buffer.size()) return std::nullopt;
  if (size > 0) std::memcpy(buffer.data(), sqlite3_column_blob(query.get(), 1), size);
  auto type = static_cast<ValueType>(sqlite3_column_int64(query.get(), 0));
  return StoredValue{size, type};
}

bool SqliteSettingsKey::DeleteValue(std::u16string_view name) {
  auto valueName = ValueNameOf(name);
  if (!valueName) return false;
  auto remove = Prepare(connection_.get(), "DELETE FROM vals WHERE key = ?1 AND name = ?2",
                        {path_, *valueName});
  if (!remove || sqlite3_step(remove.get()) != SQLITE_DONE) return false;
  return sqlite3_changes(connection_.get()) > 0;
}

bool SqliteSettingsKey::SetValue(std::u16string_view name, ValueType type,
                                 std::span<const std::byte> data) {
  auto valueName = ValueNameOf(name);
  if (!valueName || data.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  // An existing value keeps the spelling of its name, as in the registry.
  auto upsert = Prepare(connection_.get(),
                        "INSERT INTO vals(key, name, type, data) VALUES (?1, ?2, ?3, ?4) "
                        "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, "
                        "data = excluded.data",
                        {path_, *valueName});
  if (!upsert) return false;
  sqlite3_bind_int64(upsert.get(), 3, static_cast<sqlite3_int64>(type));
  // zeroblob: an empty value must still be a blob, never NULL.
  int bound = data.empty() ? sqlite3_bind_zeroblob(upsert.get(), 4, 0)
                           : sqlite3_bind_blob(upsert.get(), 4, data.data(),
                                               static_cast<int>(data.size()), SQLITE_TRANSIENT);
  return bound == SQLITE_OK && sqlite3_step(upsert.get()) == SQLITE_DONE;
}

std::optional<std::vector<SqliteSettingsKey::Entry>> SqliteSettingsKey::ListValues() {
  auto query = Prepare(connection_.get(),
                       "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY name", {path_});
  if (!query) return std::nullopt;
  std::vector<Entry> entries;
  int step;
  while ((step = sqlite3_step(query.get())) == SQLITE_ROW) {
    auto name = reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0));
    entries.push_back({Utf8ToUtf16(name != nullptr ? name : ""),
                       static_cast<ValueType>(sqlite3_column_int64(query.get(), 1)),
                       BlobOf(query.get(), 2)});
  }
  if (step != SQLITE_DONE) return std::nullopt;
  return entries;
}

}  // namespace jobhost::linux
