#pragma once
// A host name's addresses from the system resolver, within a bounded wait:
// a name server that never answers holds the caller no longer than it says.

#include <netdb.h>

#include <chrono>
#include <string>

#include "system/unique_resource.h"

namespace jobhost::cups_queue {

using UniqueAddrInfo = UniquePointer<addrinfo, freeaddrinfo>;

// The stream addresses of host (any family); nullptr when the name does not
// resolve within limit.
UniqueAddrInfo LookUpHost(const std::string& host, std::chrono::milliseconds limit);

}  // namespace jobhost::cups_queue
