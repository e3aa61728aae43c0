#pragma once
// Addresses in Linux's abstract socket namespace, where the request pipe
// lives: a name bound there has no file and vanishes with its socket.

#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <optional>
#include <string_view>

namespace jobhost::linux {

// The name occupies sun_path after the leading NUL of the abstract namespace.
inline constexpr std::size_t kMaxAbstractNameBytes = sizeof(sockaddr_un::sun_path) - 1;

struct AbstractSocketAddress {
  sockaddr_un address{};
  socklen_t length = 0;  // counts the name's bytes, no terminator

  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&address); }
};

// The address of name (bytes, no terminator); nullopt when the name is empty
// or longer than kMaxAbstractNameBytes.
std::optional<AbstractSocketAddress> AbstractSocketAddressOf(std::string_view name);

}  // namespace jobhost::linux
