#include <windows.h>

#include "platform/win32/settings_store.h"
#include "settings_access.h"
#include "support/utf.h"
#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::ctl {
namespace {

// Registry value names are at most 16383 units.
constexpr DWORD kNameUnits = 16384;

class RegistryToolSettings : public ToolSettings {
 public:
  SettingsStore& store() override { return store_; }

  std::optional<std::vector<ListedValue>> ListValues(std::u16string_view path) override {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, win32::ToWide(path).c_str(), 0, KEY_QUERY_VALUE,
                      &opened) != ERROR_SUCCESS)
      return std::nullopt;
    win32::UniqueRegistryKey key(opened);
    std::vector<ListedValue> values;
    for (DWORD index = 0;; ++index) {
      std::wstring name(kNameUnits, L'\0');
      DWORD nameUnits = kNameUnits;
      DWORD type = 0;
      DWORD size = 0;
      LONG status =
          RegEnumValueW(key.get(), index, name.data(), &nameUnits, nullptr, &type, nullptr, &size);
      if (status == ERROR_NO_MORE_ITEMS) return values;
      if (status != ERROR_SUCCESS) return std::nullopt;
      name.resize(nameUnits);
      ListedValue value{win32::Utf8FromWide(name), static_cast<ValueType>(type),
                        std::vector<std::uint8_t>(size)};
      DWORD read = size;
      if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, value.data.data(), &read) !=
          ERROR_SUCCESS)
        return std::nullopt;
      value.data.resize(read);
      values.push_back(std::move(value));
    }
  }

 private:
  win32::Win32SettingsStore store_;
};

}  // namespace

std::unique_ptr<ToolSettings> OpenToolSettings() {
  return std::make_unique<RegistryToolSettings>();
}

}  // namespace jobhost::ctl
