#include "reg_options.h"

#include "registry_path.h"

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

}  // namespace jobhost::ctl
