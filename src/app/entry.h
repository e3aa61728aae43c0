#pragma once
// The process entry: names from the program's own path, then the mode.

#include <string>
#include <vector>

#include "platform/platform.h"

namespace jobhost {

// arguments as the process received them, the program's path first. Exit
// code 0 after the job service, 1 after the search command or when the
// program's own path cannot be read.
int RunJobHost(const std::vector<std::u16string>& arguments, Platform& platform);

}  // namespace jobhost
