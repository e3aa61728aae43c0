#include "system/linux/read_link.h"

#include <unistd.h>

namespace jobhost::linux {

std::optional<std::string> ReadLinkWhole(const std::string& link) {
  // Grow until the target fits with room to spare.
  for (std::size_t capacity = 256; capacity <= (1u << 20); capacity *= 2) {
    std::string target(capacity, '\0');
    ssize_t length = ::readlink(link.c_str(), target.data(), capacity);
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < capacity) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
  }
  return std::nullopt;
}

}  // namespace jobhost::linux
