#pragma once
// The settings store of the platform, with the listing a tool needs on top.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace jobhost::ctl {

// Room for one value read back: more than any value the tools write.
inline constexpr std::size_t kQueryBuffer = 1 << 20;

struct ListedValue {
  std::string name;  // UTF-8
  ValueType type = ValueType::kNone;
  std::vector<std::uint8_t> data;
};

class ToolSettings {
 public:
  virtual ~ToolSettings() = default;
  virtual SettingsStore& store() = 0;
  // Every value of the key at path (below HKEY_CURRENT_USER); nullopt when
  // the key is missing or cannot be read.
  virtual std::optional<std::vector<ListedValue>> ListValues(std::u16string_view path) = 0;
};

std::unique_ptr<ToolSettings> OpenToolSettings();

}  // namespace jobhost::ctl
