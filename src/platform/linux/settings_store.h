#pragma once
// The per-user settings store as an SQLite database: rows of keys (every
// ancestor has its own) and of values, names compared without ASCII case.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/sqlite_handles.h"
#include "platform/settings_store.h"

namespace jobhost::linux {

inline constexpr char kSettingsRoot[] = "HKEY_CURRENT_USER";

// "HKEY_CURRENT_USER\" + path in UTF-8 (the root alone for an empty path);
// nullopt for an empty component or a NUL.
std::optional<std::string> StoredKeyPath(std::u16string_view path);

class SqliteSettingsKey : public SettingsKey {
 public:
  struct Entry {
    std::u16string name;
    ValueType type = ValueType::kNone;
    std::vector<std::byte> data;
  };

  SqliteSettingsKey(SqliteConnection connection, std::string storedPath)
      : connection_(std::move(connection)), path_(std::move(storedPath)) {}

  // The key's path as stored (with the letter case it was created with).
  const std::string& path() const { return path_; }

  std::optional<StoredValue> QueryValue(std::u16string_view name,
                                        std::span<std::byte> buffer) override;
  bool DeleteValue(std::u16string_view name) override;
  bool SetValue(std::u16string_view name, ValueType type, std::span<const std::byte> data) override;

  // Every value of the key, by name; nullopt when the store cannot be read.
  std::optional<std::vector<Entry>> ListValues();

 private:
  SqliteConnection connection_;
  std::string path_;
};

// Each key opened holds its own connection, so keys of one or several
// processes can be used at once.
class SqliteSettingsStore : public SettingsStore {
 public:
  std::unique_ptr<SettingsKey> OpenKey(std::u16string_view path) override {
    return OpenStoredKey(path);
  }
  std::unique_ptr<SettingsKey> CreateKey(std::u16string_view path) override {
    return CreateStoredKey(path);
  }

  // The same, with the store's own key type for tools that list values.
  std::unique_ptr<SqliteSettingsKey> OpenStoredKey(std::u16string_view path);
  std::unique_ptr<SqliteSettingsKey> CreateStoredKey(std::u16string_view path);
};

}  // namespace jobhost::linux
