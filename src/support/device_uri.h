#pragma once
// What a port check needs from a print queue's device URI: its scheme and
// host, and the port kind the scheme stands for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jobhost {

struct DeviceUri {
  std::string scheme;          // lower case
  std::string host;            // percent-decoded, IPv6 literal without brackets; empty when none
  bool hostIsAddress = false;  // an IPv4 dotted quad or a bracketed IPv6 address (RFC 4291)
};

// nullopt when the text does not start with a scheme and ':'.
std::optional<DeviceUri> ParseDeviceUri(std::string_view uri);

// socket, lpd -> 2; ipp, ipps, http, https, dnssd -> 3; anything else -> 1.
std::int32_t PortKindOfScheme(std::string_view scheme);

// The schemes whose TCP/IP port monitor answers "IPAddress".
bool IsMonitoredScheme(std::string_view scheme);

}  // namespace jobhost
