#include "sibling_files.h"

#include <algorithm>

namespace jobhost::stand_in {
namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  std::string_view tail = text.substr(text.size() - ending.size());
  return std::equal(tail.begin(), tail.end(), ending.begin(),
                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

}  // namespace

std::string ReplaceEnding(std::string_view path, std::string_view ending,
                          std::string_view newEnding) {
  std::string result(path);
  if (EndsWithIgnoringCase(path, ending)) result.resize(path.size() - ending.size());
  result += newEnding;
  return result;
}

std::vector<ScriptLine> ScriptLines(std::string_view text) {
  std::vector<ScriptLine> lines;
  int number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    lines.push_back({number, line});
  }
  return lines;
}

std::vector<std::string_view> TabFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line = line.substr(tab + 1);
  }
}

}  // namespace jobhost::stand_in
