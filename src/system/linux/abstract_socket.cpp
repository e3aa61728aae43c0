#include "system/linux/abstract_socket.h"

#include <cstring>

namespace jobhost::linux {

std::optional<AbstractSocketAddress> AbstractSocketAddressOf(std::string_view name) {
  if (name.empty() || name.size() > kMaxAbstractNameBytes) return std::nullopt;
  AbstractSocketAddress abstract;
  abstract.address.sun_family = AF_UNIX;
  std::memcpy(abstract.address.sun_path + 1, name.data(), name.size());
  abstract.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return abstract;
}

}  // namespace jobhost::linux
