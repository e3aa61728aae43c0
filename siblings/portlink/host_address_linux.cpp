#include "host_address.h"

#include <arpa/inet.h>

#include "cups_queue/host_lookup.h"

namespace jobhost::portlink {
namespace {

std::optional<std::string> AddressText(const addrinfo* entry) {
  char text[INET6_ADDRSTRLEN] = {};
  const void* address = nullptr;
  if (entry->ai_family == AF_INET) {
    address = &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
  } else if (entry->ai_family == AF_INET6) {
    address = &reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr;
  }
  if (address == nullptr || inet_ntop(entry->ai_family, address, text, sizeof text) == nullptr) {
    return std::nullopt;
  }
  return std::string(text);
}

std::optional<std::string> FirstAddress(const addrinfo* list) {
  for (int family : {AF_INET, AF_INET6}) {
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
      if (entry->ai_family != family) continue;
      if (std::optional<std::string> text = AddressText(entry)) return text;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ResolveHost(const std::string& host, std::chrono::milliseconds limit) {
  cups_queue::UniqueAddrInfo found = cups_queue::LookUpHost(host, limit);
  return FirstAddress(found.get());
}

}  // namespace jobhost::portlink
