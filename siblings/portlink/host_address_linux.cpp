#include "host_address.h"

#include "cups_queue/host_lookup.h"

namespace jobhost::portlink {
namespace {

std::optional<std::string> FirstAddress(const addrinfo* list) {
  for (int family : {AF_INET, AF_INET6}) {
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
      if (entry->ai_family != family) continue;
      if (std::optional<std::string> text = cups_queue::AddressText(*entry)) return text;
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
