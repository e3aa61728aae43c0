#pragma once
// The debug line of an export that answers 0 for a cause other than an
// unknown printer.

#include <cstdint>
#include <string>
#include <string_view>

#include "system/debug_channel.h"

namespace jobhost::portlink {

// Returns result; writes "<export> returns 0: <why>" when result is 0 and
// why names a cause. A line that cannot be made is not sent.
inline std::int32_t Told(std::string_view exportName, std::int32_t result,
                         std::string_view why) noexcept {
  if (result != 0 || why.empty()) return result;
  try {
    SendDebugText(std::string(exportName) + " returns 0: " + std::string(why) + "\n");
  } catch (...) {
  }
  return result;
}

}  // namespace jobhost::portlink
