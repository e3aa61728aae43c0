#include "arguments.h"

#include <algorithm>
#include <charconv>

namespace jobhost::ctl {
namespace {

constexpr OptionRule kHelp{"--help", false};
// Keeps every limit in milliseconds within a 32-bit signed wait.
constexpr std::uint64_t kMaxSeconds = 2'000'000;

const OptionRule* FindRule(std::span<const OptionRule> rules, std::string_view name) {
  if (name == kHelp.name) return &kHelp;
  auto found = std::find_if(rules.begin(), rules.end(),
                            [&](const OptionRule& rule) { return rule.name == name; });
  return found == rules.end() ? nullptr : &*found;
}

template <typename Number>
std::optional<Number> WholeNumber(std::string_view text, int base = 10) {
  Number value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::string> ParsedArguments::Value(std::string_view name) const {
  auto found = values.find(name);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

ParsedArguments ParseArguments(std::span<const std::string> arguments,
                               std::span<const OptionRule> rules) {
  ParsedArguments parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
      parsed.positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    std::size_t equals = argument.find('=');
    std::string name = argument.substr(0, equals);
    const OptionRule* rule = FindRule(rules, name);
    if (rule == nullptr) {
      parsed.error = "unknown option " + name;
    } else if (parsed.Has(name)) {
      parsed.error = "option " + name + " given twice";
    } else if (!rule->takesValue) {
      if (equals != std::string::npos) parsed.error = "option " + name + " takes no value";
      parsed.flags.insert(name);
    } else if (equals != std::string::npos) {
      parsed.values[name] = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      parsed.values[name] = arguments[++i];
    } else {
      parsed.error = "option " + name + " needs a value";
    }
  }
  return parsed;
}

std::optional<std::chrono::milliseconds> ParseSeconds(std::string_view text) {
  std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  // Unsigned, so that a negative limit (an endless wait) is refused.
  std::optional<std::uint64_t> seconds = whole.empty() ? 0 : WholeNumber<std::uint64_t>(whole);
  if (!seconds || *seconds > kMaxSeconds) return std::nullopt;
  auto milliseconds = static_cast<std::int64_t>(*seconds * 1000);
  std::int64_t scale = 100;
  for (char digit : fraction) {
    if (digit < '0' || digit > '9') return std::nullopt;
    milliseconds += (digit - '0') * scale;
    scale /= 10;
  }
  return std::chrono::milliseconds(milliseconds);
}

std::optional<std::uint32_t> ParseDword(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return WholeNumber<std::uint32_t>(text.substr(2), 16);
  if (!text.empty() && text.front() == '-') {
    std::optional<std::int32_t> negative = WholeNumber<std::int32_t>(text);
    if (!negative) return std::nullopt;
    return static_cast<std::uint32_t>(*negative);
  }
  return WholeNumber<std::uint32_t>(text);
}

std::optional<std::size_t> ParseCount(std::string_view text) {
  return WholeNumber<std::size_t>(text);
}

}  // namespace jobhost::ctl
