// Stand-in converter: records the parameter text it was started with and runs
// until it is killed, as the job service expects of the real one.

#include <chrono>
#include <thread>

#include "sibling_files.h"
#include "stand_in_entry.h"
#include "system/debug_channel.h"
#include "system_access.h"

namespace jobhost::stand_in {
namespace {

// One log line per start, whatever the text holds.
std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\r') {
      line += "\\r";
    } else {
      line.push_back(c);
    }
  }
  return line;
}

}  // namespace

int RunStandIn(const std::optional<std::string>& parameters) {
  std::string text = parameters.value_or(std::string());
  SendDebugText(text + "\n");
  AppendToFile(ReplaceEnding(OwnExecutablePath(), ".exe", ".log"), OneLine(text) + "\n");
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace jobhost::stand_in
