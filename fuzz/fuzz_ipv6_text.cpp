// Every address gives a 2..39 character text inside its field that reads
// back as the same 16 bytes, and nothing past the terminator is touched.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/ipv6_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 16) return 0;
  char field[80];
  std::memset(field, 0x5A, sizeof field);
  jobhost::FormatIpv6Address(data, field);
  const char* end = static_cast<const char*>(std::memchr(field, 0, sizeof field));
  if (end == nullptr) std::abort();
  std::size_t length = static_cast<std::size_t>(end - field);
  if (length < 2 || length > 39) std::abort();
  for (std::size_t i = length + 1; i < sizeof field; ++i) {
    if (field[i] != 0x5A) std::abort();
  }
  std::uint8_t parsed[16];
  if (inet_pton(AF_INET6, field, parsed) != 1 || std::memcmp(parsed, data, 16) != 0) std::abort();
  return 0;
}
