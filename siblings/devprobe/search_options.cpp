#include "search_options.h"

#include <charconv>

namespace jobhost::devprobe {

namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<SearchOptions> ParseSearchOptions(std::string_view parameter) {
  SearchOptions options;
  while (!parameter.empty()) {
    const std::size_t end = parameter.find(';');
    const std::string_view pair = parameter.substr(0, end);
    parameter = end == std::string_view::npos ? std::string_view{} : parameter.substr(end + 1);

    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(pair.substr(0, equals));
    const std::string_view value = Trim(pair.substr(equals + 1));
    if (EqualsIgnoringCase(key, "port")) {
      const auto port = ParsePort(value);
      if (!port) return std::nullopt;
      options.port = *port;
    }
  }
  return options;
}

}  // namespace jobhost::devprobe
