#pragma once
// A host name's addresses from the system resolver, within a bounded wait:
// a name server that never answers holds the caller no longer than it says.

#include <netdb.h>

#include <chrono>
#include <memory>
#include <string>

namespace jobhost::cups_queue {

struct AddrInfoFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using UniqueAddrInfo = std::unique_ptr<addrinfo, AddrInfoFree>;

// The stream addresses of host (any family); nullptr when the name does not
// resolve within limit.
UniqueAddrInfo LookUpHost(const std::string& host, std::chrono::milliseconds limit);

}  // namespace jobhost::cups_queue
