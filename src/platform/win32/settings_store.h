#pragma once
// The settings store: keys and values of the registry under HKEY_CURRENT_USER.

#include "platform/settings_store.h"
#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

class Win32SettingsKey : public SettingsKey {
 public:
  explicit Win32SettingsKey(UniqueRegistryKey key) : key_(std::move(key)) {}

  std::optional<StoredValue> QueryValue(std::u16string_view name,
                                        std::span<std::byte> buffer) override;
  bool DeleteValue(std::u16string_view name) override;
  bool SetValue(std::u16string_view name, ValueType type, std::span<const std::byte> data) override;

 private:
  UniqueRegistryKey key_;
};

class Win32SettingsStore : public SettingsStore {
 public:
  std::unique_ptr<SettingsKey> OpenKey(std::u16string_view path) override;
  std::unique_ptr<SettingsKey> CreateKey(std::u16string_view path) override;
};

}  // namespace jobhost::win32
