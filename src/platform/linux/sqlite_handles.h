#pragma once
// Owners of SQLite connections and statements, and the few calls the
// settings store makes through them.

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "system/unique_resource.h"

namespace jobhost::linux {

using SqliteConnection = UniquePointer<sqlite3, sqlite3_close_v2>;
using SqliteStatement = UniquePointer<sqlite3_stmt, sqlite3_finalize>;

// nullptr when the database cannot be opened (or, without create, is missing).
SqliteConnection OpenDatabase(const std::string& path, bool create);

// Runs SQL without results; false on any error.
bool Execute(sqlite3* connection, const char* sql);

// A prepared statement with its texts bound in order from ?1; nullptr on error.
SqliteStatement Prepare(sqlite3* connection, const char* sql,
                        std::initializer_list<std::string_view> texts);

// Rolls back unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(sqlite3* connection)
      : connection_(connection), open_(Execute(connection, "BEGIN IMMEDIATE")) {}
  ~WriteTransaction() {
    if (open_) Execute(connection_, "ROLLBACK");
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  bool open() const { return open_; }
  bool Commit() {
    if (!open_ || !Execute(connection_, "COMMIT")) return false;
    open_ = false;
    return true;
  }

 private:
  sqlite3* connection_;
  bool open_;
};

}  // namespace jobhost::linux
