#include "platform/linux/sqlite_handles.h"

namespace jobhost::linux {
namespace {

// Two search commands may write at once; the second waits for the first.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys (
  path TEXT PRIMARY KEY COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS vals (
  key  TEXT NOT NULL COLLATE NOCASE REFERENCES keys(path) ON DELETE CASCADE,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY (key, name));
)sql";

}  // namespace

SqliteConnection OpenDatabase(const std::string& path, bool create) {
  sqlite3* raw = nullptr;
  int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  int status = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  SqliteConnection connection(raw);
  if (status != SQLITE_OK) return nullptr;
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  if (!Execute(raw, "PRAGMA foreign_keys=ON") || !Execute(raw, kSchema)) return nullptr;
  return connection;
}

bool Execute(sqlite3* connection, const char* sql) {
  return sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteStatement Prepare(sqlite3* connection, const char* sql,
                        std::initializer_list<std::string_view> texts) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(connection, sql, -1, &raw, nullptr) != SQLITE_OK) return nullptr;
  SqliteStatement statement(raw);
  int index = 1;
  for (std::string_view text : texts) {
    // A null pointer would bind SQL NULL rather than an empty text.
    const char* data = text.data() != nullptr ? text.data() : "";
    if (sqlite3_bind_text(raw, index++, data, static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK) {
      return nullptr;
    }
  }
  return statement;
}

}  // namespace jobhost::linux
