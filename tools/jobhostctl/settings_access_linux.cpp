#include "platform/linux/settings_store.h"
#include "settings_access.h"
#include "support/utf.h"

namespace jobhost::ctl {
namespace {

class SqliteToolSettings : public ToolSettings {
 public:
  SettingsStore& store() override { return store_; }

  std::optional<std::vector<ListedValue>> ListValues(std::u16string_view path) override {
    std::unique_ptr<linux::SqliteSettingsKey> key = store_.OpenStoredKey(path);
    if (!key) return std::nullopt;
    auto entries = key->ListValues();
    if (!entries) return std::nullopt;
    std::vector<ListedValue> values;
    for (const linux::SqliteSettingsKey::Entry& entry : *entries) {
      ListedValue value{Utf16ToUtf8(entry.name), entry.type, {}};
      for (std::byte byte : entry.data) value.data.push_back(static_cast<std::uint8_t>(byte));
      values.push_back(std::move(value));
    }
    return values;
  }

 private:
  linux::SqliteSettingsStore store_;
};

}  // namespace

std::unique_ptr<ToolSettings> OpenToolSettings() {
  return std::make_unique<SqliteToolSettings>();
}

}  // namespace jobhost::ctl
