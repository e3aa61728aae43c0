#pragma once
// Symbolic links read whole: readlink cuts a long target silently.

#include <optional>
#include <string>

namespace jobhost::linux {

// The whole target of link (such as /proc/<pid>/exe); nullopt when it
// cannot be read.
std::optional<std::string> ReadLinkWhole(const std::string& link);

}  // namespace jobhost::linux
