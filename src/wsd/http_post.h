#pragma once
// POSTs of SOAP 1.2 envelopes to devices over plain HTTP, several at once,
// each within its own time and with a bounded answer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace jobhost::wsd {

inline constexpr std::size_t kMaxHttpBodyBytes = 64 * 1024;
inline constexpr int kMaxPostsInFlight = 8;

// Where a POST goes over plain HTTP: an address (an IPv6 one without
// brackets, with its zone after '%'), a port, and a path in URL form.
struct HttpTarget {
  std::string host;
  std::uint16_t port = 80;
  std::string path = "/";
};

struct HttpReply {
  int id = 0;
  // A 2xx answer whose body fit kMaxHttpBodyBytes; anything else (a failed
  // connection, an error status, a time-out, a longer body) is not ok.
  bool ok = false;
  std::string body;
};

class HttpPoster {
 public:
  // Ends what is still running at once.
  virtual ~HttpPoster() = default;
  // Starts one POST (no redirect, no proxy, no credentials) that ends within
  // timeoutMs; false, and nothing started, when kMaxPostsInFlight are
  // running or it cannot be made.
  virtual bool Start(int id, const HttpTarget& target, const std::string& body, int timeoutMs) = 0;
  // Waits at most timeoutMs for a running POST to end; the replies of those
  // that ended, each once.
  virtual std::vector<HttpReply> Wait(int timeoutMs) = 0;
  virtual int Running() const = 0;
};

// The platform's HTTP client; nullptr when it cannot be used.
std::unique_ptr<HttpPoster> OpenHttpPoster();

}  // namespace jobhost::wsd
