#pragma once
// The stand-in executables share one entry per platform, which hands over the
// parameter text the program was started with (nullopt: none).

#include <optional>
#include <string>

namespace jobhost::stand_in {

// Defined by each stand-in executable.
int RunStandIn(const std::optional<std::string>& parameters);

}  // namespace jobhost::stand_in
