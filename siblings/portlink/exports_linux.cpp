// The port library on Linux: a printer is a CUPS queue, and the scheme of its
// device URI says what kind of port it prints to. Every call asks the server
// afresh; nothing is kept between calls.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abi/port_library_abi.h"
#include "cups_queue/cups_queue.h"
#include "failure_line.h"
#include "host_address.h"
#include "mdns_address.h"
#include "port_rules.h"
#include "support/device_uri.h"
#include "support/utf.h"

namespace jobhost::portlink {
namespace {

// A port check asks CUPS at most three questions (the kind, the spooler's
// printer, the address) and the resolver once: together they stay within the
// service's request limits (10 s) whatever the server does.
static_assert(3 * cups_queue::kCupsQuestionBudget + kResolveLimit <= std::chrono::seconds(10));

// The causes of a 0 other than an unknown queue.
constexpr std::string_view kNotNetworkDevice = "the queue's device is not a network device";
constexpr std::string_view kNoHost = "the queue's device URI names no host";

std::optional<DeviceUri> QueueUri(const char16_t* printer, std::string_view& why) {
  if (printer == nullptr) return std::nullopt;
  std::optional<std::string> text = cups_queue::QueueDeviceUri(Utf16ToUtf8(printer), &why);
  if (!text) return std::nullopt;
  // A device URI without a scheme is a kind of port all the same.
  return ParseDeviceUri(*text).value_or(DeviceUri{});
}

std::int32_t PortKindOf(const char16_t* printer, std::string_view& why) {
  std::optional<DeviceUri> uri = QueueUri(printer, why);
  if (!uri) return kNoPrinter;
  return PortKindOfScheme(uri->scheme);
}

// The host when it is an address, else what multicast DNS (for a DNS-SD
// instance or a ".local" host) or the resolver makes of it.
std::optional<std::string> AddressOf(const DeviceUri& uri, std::string_view& why) {
  why = kNoHost;
  if (uri.host.empty()) return std::nullopt;
  if (uri.hostIsAddress) return uri.host;
  why = kNotResolved;
  if (const auto mdns = MdnsHostOf(uri.scheme, uri.host))
    return ResolveMdnsHost(*mdns, kResolveLimit);
  // The system resolver knows no DNS-SD instance.
  if (uri.scheme == "dnssd") return std::nullopt;
  return ResolveHost(uri.host);
}

// Writes a terminated address that fits the caller's buffer whole; a text
// that would not fit is not written at all.
std::int32_t NetworkAddressOf(const char16_t* printer, char16_t* address, std::string_view& why) {
  if (address == nullptr) {
    why = kNoBuffer;
    return 0;
  }
  std::optional<DeviceUri> uri = QueueUri(printer, why);
  if (!uri) return 0;
  why = kNotNetworkDevice;
  if (PortKindOfScheme(uri->scheme) != kNetworkDevice) return 0;
  std::optional<std::string> text = AddressOf(*uri, why);
  if (!text) return 0;
  why = kDoesNotFit;
  return WriteWholeAddress(*text, address);
}

}  // namespace
}  // namespace jobhost::portlink

using jobhost::portlink::Told;

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetPortTypeByPrinterName(const char16_t* printer) {
  std::string_view why;
  return Told("GetPortTypeByPrinterName", jobhost::portlink::PortKindOf(printer, why), why);
}

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetIPAddressFromWsdPortByPrinterName(
    const char16_t* printer, char16_t* address, std::uint32_t* /*value*/) {
  std::string_view why;
  return Told("GetIPAddressFromWsdPortByPrinterName",
              jobhost::portlink::NetworkAddressOf(printer, address, why), why);
}
