#include "network/endpoint.h"

namespace jobhost::network {

Endpoint Ipv4Endpoint(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                      std::uint16_t port) {
  Endpoint endpoint;
  endpoint.address[0] = a;
  endpoint.address[1] = b;
  endpoint.address[2] = c;
  endpoint.address[3] = d;
  endpoint.port = port;
  return endpoint;
}

std::uint32_t Ipv4Bits(const Endpoint& endpoint) {
  return (std::uint32_t{endpoint.address[0]} << 24) | (std::uint32_t{endpoint.address[1]} << 16) |
         (std::uint32_t{endpoint.address[2]} << 8) | endpoint.address[3];
}

Endpoint Ipv4EndpointOfBits(std::uint32_t bits, std::uint16_t port) {
  return Ipv4Endpoint(static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
                      static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits), port);
}

std::string FormatIpv4(const Endpoint& endpoint) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(endpoint.address[i]);
  }
  return text;
}

}  // namespace jobhost::network
