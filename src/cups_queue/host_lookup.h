#pragma once
// A host name's addresses from the system resolver, within a bounded wait:
// a name server that never answers holds the caller no longer than it says.

#include <netdb.h>

#include <chrono>
#include <optional>
#include <string>

#include "system/unique_resource.h"

namespace jobhost::cups_queue {

using UniqueAddrInfo = UniquePointer<addrinfo, freeaddrinfo>;

// The stream addresses of host (any family); nullptr when the name does not
// resolve within limit.
UniqueAddrInfo LookUpHost(const std::string& host, std::chrono::milliseconds limit);

// The text of one IPv4 or IPv6 entry; nullopt for any other family.
std::optional<std::string> AddressText(const addrinfo& entry);

}  // namespace jobhost::cups_queue
