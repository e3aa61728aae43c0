#include "cups_queue/host_lookup.h"

#include <arpa/inet.h>
#include <time.h>

#include <cerrno>
#include <memory>

namespace jobhost::cups_queue {
namespace {

// Everything the resolver reads or writes while a lookup runs. When a lookup
// outlasts its wait and cannot be cancelled, the block is left to the
// resolver's own thread (a few hundred bytes), since freeing it under that
// thread would corrupt the heap.
struct Lookup {
  std::string name;
  addrinfo hints{};
  gaicb block{};
};

timespec ToTimespec(std::chrono::nanoseconds span) {
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
  return timespec{static_cast<time_t>(seconds.count()),
                  static_cast<long>((span - seconds).count())};
}

// Waits until the lookup is done or the limit has passed; true when done.
bool AwaitLookup(gaicb* block, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  const gaicb* list[] = {block};
  while (gai_error(block) == EAI_INPROGRESS) {
    auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::nanoseconds::zero()) return false;
    timespec wait = ToTimespec(left);
    gai_suspend(list, 1, &wait);
  }
  return true;
}

}  // namespace

UniqueAddrInfo LookUpHost(const std::string& host, std::chrono::milliseconds limit) {
  if (host.empty()) return nullptr;
  auto lookup = std::make_unique<Lookup>();
  lookup->name = host;
  lookup->hints.ai_family = AF_UNSPEC;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->block.ar_name = lookup->name.c_str();
  lookup->block.ar_request = &lookup->hints;
  gaicb* list[] = {&lookup->block};
  if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) return nullptr;
  if (!AwaitLookup(&lookup->block, limit) && gai_cancel(&lookup->block) == EAI_NOTCANCELED) {
    static_cast<void>(lookup.release());  // still in the resolver's hands; see Lookup
    return nullptr;
  }
  return UniqueAddrInfo(gai_error(&lookup->block) == 0 ? lookup->block.ar_result : nullptr);
}

std::optional<std::string> AddressText(const addrinfo& entry) {
  char text[INET6_ADDRSTRLEN] = {};
  const void* address = nullptr;
  if (entry.ai_family == AF_INET) {
    address = &reinterpret_cast<const sockaddr_in*>(entry.ai_addr)->sin_addr;
  } else if (entry.ai_family == AF_INET6) {
    address = &reinterpret_cast<const sockaddr_in6*>(entry.ai_addr)->sin6_addr;
  }
  if (address == nullptr || inet_ntop(entry.ai_family, address, text, sizeof text) == nullptr) {
    return std::nullopt;
  }
  return std::string(text);
}

}  // namespace jobhost::cups_queue
