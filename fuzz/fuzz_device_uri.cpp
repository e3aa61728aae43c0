// Any device URI text parses without fault; a parsed one has a lower-case
// scheme, and a host taken for an IPv4 or IPv6 address is one.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/device_uri.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::optional<jobhost::DeviceUri> uri = jobhost::ParseDeviceUri(text);
  if (!uri) return 0;
  if (uri->scheme.empty() || uri->scheme.size() >= size) std::abort();
  for (char c : uri->scheme) {
    if (c >= 'A' && c <= 'Z') std::abort();
  }
  if (uri->hostIsAddress && uri->host.empty()) std::abort();
  if (uri->hostIsAddress && uri->host.find(':') == std::string::npos) {
    in_addr parsed;
    if (inet_pton(AF_INET, uri->host.c_str(), &parsed) != 1) std::abort();
  } else if (uri->hostIsAddress) {
    const std::string address = uri->host.substr(0, uri->host.find('%'));
    in6_addr parsed;
    if (inet_pton(AF_INET6, address.c_str(), &parsed) != 1) std::abort();
  }
  std::int32_t kind = jobhost::PortKindOfScheme(uri->scheme);
  if (kind < 1 || kind > 3) std::abort();
  return 0;
}
