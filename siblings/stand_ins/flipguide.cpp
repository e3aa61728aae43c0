// Stand-in duplex program: leaves a trace that it ran, then ends.

#include "sibling_files.h"
#include "stand_in_entry.h"
#include "system_access.h"

namespace jobhost::stand_in {

int RunStandIn(const std::optional<std::string>& parameters) {
  std::string line = parameters ? "started " + *parameters : "started";
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  AppendToFile(ReplaceEnding(OwnExecutablePath(), ".exe", ".log"), line + "\n");
  return 0;
}

}  // namespace jobhost::stand_in
