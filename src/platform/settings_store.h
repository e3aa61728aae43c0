#pragma once
// The per-user settings store (the registry under HKEY_CURRENT_USER).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace jobhost {

enum class ValueType : std::uint32_t {
  kNone = 0,
  kString = 1,
  kExpandString = 2,
  kBinary = 3,
  kDword = 4,
};

struct StoredValue {
  std::size_t size = 0;  // bytes of data placed in the buffer
  ValueType type = ValueType::kNone;
};

// An open key; destroying it closes it.
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;

  // Reads the value's data into buffer; nullopt when it is missing, larger
  // than the buffer, or unreadable.
  virtual std::optional<StoredValue> QueryValue(std::u16string_view name,
                                                std::span<std::byte> buffer) = 0;
  virtual bool DeleteValue(std::u16string_view name) = 0;
  virtual bool SetValue(std::u16string_view name, ValueType type,
                        std::span<const std::byte> data) = 0;
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // path is below HKEY_CURRENT_USER ("Software\..."); access is read, create
  // sub-key and set value. nullptr on failure.
  virtual std::unique_ptr<SettingsKey> OpenKey(std::u16string_view path) = 0;
  virtual std::unique_ptr<SettingsKey> CreateKey(std::u16string_view path) = 0;
};

}  // namespace jobhost
