#include "reg_options.h"

#include <algorithm>

#include "support/utf.h"
#include "text_formats.h"

namespace jobhost::ctl {

const std::array<OptionRule, 5> kRegOptions = {
    OptionRule{"--out", true},        OptionRule{"--binary-file", true},
    OptionRule{"--binary-hex", true}, OptionRule{"--dword", true},
    OptionRule{"--type", true},
};

std::string CheckRegArguments(const ParsedArguments& parsed) {
  if (parsed.positional.size() < 2) return "give an action and a KEY (try --help)";
  const std::string& action = parsed.positional[0];
  std::size_t values = parsed.positional.size() - 2;  // after ACTION and KEY
  bool setOptions = parsed.Has("--binary-file") || parsed.Has("--binary-hex") ||
                    parsed.Has("--dword") || parsed.Has("--type");
  if (action == "query") {
    if (values > 1 || setOptions) return "query takes KEY [VALUE] [--out F]";
    if (values == 0 && parsed.Has("--out")) return "--out needs a VALUE";
  } else if (action == "set") {
    if (values != 1 || parsed.Has("--out")) return "set takes KEY VALUE and one data option";
    int sources = parsed.Has("--binary-file") + parsed.Has("--binary-hex") + parsed.Has("--dword");
    if (sources != 1) return "give one of --binary-file, --binary-hex, --dword";
  } else if (action == "delete") {
    if (values != 1 || setOptions || parsed.Has("--out")) return "delete takes KEY VALUE";
  } else {
    return "unknown action " + action + " (query, set or delete)";
  }
  return {};
}

std::optional<ValueType> ParseValueType(std::string_view text) {
  for (ValueType type : {ValueType::kNone, ValueType::kString, ValueType::kExpandString,
                         ValueType::kBinary, ValueType::kDword}) {
    if (text == ValueTypeName(type)) return type;
  }
  std::optional<std::uint32_t> number = ParseDword(text);
  if (!number) return std::nullopt;
  return static_cast<ValueType>(*number);
}

std::vector<std::uint8_t> DwordData(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  return std::equal(start.begin(), start.end(), text.begin(), [](char a, char b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return lower(a) == lower(b);
  });
}

}  // namespace

std::optional<std::string> PathBelowCurrentUser(std::string_view key) {
  for (std::string_view root : {"HKEY_CURRENT_USER\\", "HKCU\\"}) {
    if (!StartsWithIgnoringCase(key, root)) continue;
    std::string_view path = key.substr(root.size());
    if (path.empty()) return std::nullopt;
    return std::string(path);
  }
  return std::nullopt;
}

std::string ValueTypeName(ValueType type) {
  switch (type) {
    case ValueType::kNone:
      return "REG_NONE";
    case ValueType::kString:
      return "REG_SZ";
    case ValueType::kExpandString:
      return "REG_EXPAND_SZ";
    case ValueType::kBinary:
      return "REG_BINARY";
    case ValueType::kDword:
      return "REG_DWORD";
  }
  return "type " + std::to_string(static_cast<std::uint32_t>(type));
}

std::string ValueDataText(ValueType type, std::span<const std::uint8_t> data) {
  if (type == ValueType::kDword && data.size() == 4) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | data[static_cast<std::size_t>(i)];
    return std::to_string(value);
  }
  if ((type == ValueType::kString || type == ValueType::kExpandString) && data.size() % 2 == 0) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
      auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
      if (unit == u'\0') break;
      text.push_back(unit);
    }
    return Utf16ToUtf8(text);
  }
  return FormatHex(data);
}

}  // namespace jobhost::ctl
