#include "platform/win32/settings_store.h"

#include <algorithm>

#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE.
constexpr REGSAM kKeyAccess = 0x2001F;
static_assert(kKeyAccess == (KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE));

DWORD ClampToDword(std::size_t size) {
  return static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
}

}  // namespace

std::optional<StoredValue> Win32SettingsKey::QueryValue(std::u16string_view name,
                                                        std::span<std::byte> buffer) {
  const std::wstring valueName = ToWide(name);
  // Never a null data pointer: with one the registry reports the size instead
  // of failing on a value that does not fit.
  BYTE spare = 0;
  BYTE* data = buffer.empty() ? &spare : reinterpret_cast<BYTE*>(buffer.data());
  DWORD size = ClampToDword(buffer.size());
  DWORD type = REG_NONE;
  if (::RegQueryValueExW(key_.get(), valueName.c_str(), nullptr, &type, data, &size) !=
          ERROR_SUCCESS ||
      size > buffer.size()) {
    return std::nullopt;
  }
  return StoredValue{size, static_cast<ValueType>(type)};
}

bool Win32SettingsKey::DeleteValue(std::u16string_view name) {
  const std::wstring valueName = ToWide(name);
  return ::RegDeleteValueW(key_.get(), valueName.c_str()) == ERROR_SUCCESS;
}

bool Win32SettingsKey::SetValue(std::u16string_view name, ValueType type,
                                std::span<const std::byte> data) {
  if (data.size() > MAXDWORD) return false;
  const std::wstring valueName = ToWide(name);
  static const BYTE kNoData = 0;
  const BYTE* bytes = data.empty() ? &kNoData : reinterpret_cast<const BYTE*>(data.data());
  return ::RegSetValueExW(key_.get(), valueName.c_str(), 0, static_cast<DWORD>(type), bytes,
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

std::unique_ptr<SettingsKey> Win32SettingsStore::OpenKey(std::u16string_view path) {
  const std::wstring keyPath = ToWide(path);
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, kKeyAccess, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32SettingsKey>(UniqueRegistryKey(key));
}

std::unique_ptr<SettingsKey> Win32SettingsStore::CreateKey(std::u16string_view path) {
  const std::wstring keyPath = ToWide(path);
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        kKeyAccess, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32SettingsKey>(UniqueRegistryKey(key));
}

}  // namespace jobhost::win32
