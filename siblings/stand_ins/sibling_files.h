#pragma once
// Every stand-in finds its script and its log beside itself, named after its
// own file, so a copy under another name brings its own script and log.

#include <string>
#include <string_view>
#include <vector>

namespace jobhost::stand_in {

// path with its ending (".dll", ".exe"; letter case ignored) replaced by
// newEnding, or with newEnding appended when it does not end that way.
std::string ReplaceEnding(std::string_view path, std::string_view ending,
                          std::string_view newEnding);

// The lines of a script: split at line feeds, a carriage return before one
// dropped; empty lines and lines starting with "#" skipped. Each line keeps
// its 1-based number for messages.
struct ScriptLine {
  int number = 0;
  std::string_view text;
};
std::vector<ScriptLine> ScriptLines(std::string_view text);

// Splits a line at tabs; every field kept, empty ones too.
std::vector<std::string_view> TabFields(std::string_view line);

}  // namespace jobhost::stand_in
