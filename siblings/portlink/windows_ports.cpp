#include "windows_ports.h"

#include <algorithm>

#include "support/device_uri.h"
#include "support/utf.h"

namespace jobhost::portlink {
namespace {

constexpr std::u16string_view kTcpIpMonitor = u"Standard TCP/IP Port";
// Its module serves both WSD and IPP printers, which Plug and Play installs.
constexpr std::u16string_view kWsdMonitor = u"WSD Port";
// The monitor that newer Windows lists for printers it reaches over IPP.
constexpr std::u16string_view kIppMonitor = u"IppMon";

struct PortFacts {
  std::int32_t kind = kNoPrinter;
  std::u16string portName;
  std::string_view why;  // a cause other than an unknown printer
};

// The causes a debug line names.
constexpr std::string_view kSpoolerDown = "the spooler is not running";
constexpr std::string_view kPortsUnlisted = "the spooler's ports cannot be listed";
constexpr std::string_view kNotNetworkDevice = "the printer's port is not a network device's";
constexpr std::string_view kNoDeviceNode = "no device node belongs to the printer";
constexpr std::string_view kNoAddressReported =
    "the printer's device reported no address and no location";

std::int32_t Answer(std::int32_t value, std::string_view cause, std::string_view* why) {
  if (value == 0 && why != nullptr) *why = cause;
  return value;
}

bool IsPrinterName(const char16_t* printer) {
  if (printer == nullptr || *printer == u'\0') return false;
  return std::u16string_view(printer).find(u',') == std::u16string_view::npos;
}

// "\\server\printer" names a printer that another computer serves: asking
// its spooler may wait without end, so the name alone answers.
bool IsConnectionName(std::u16string_view printer) {
  return printer.starts_with(u"\\\\");
}

PortFacts FactsOf(PrintSystem& system, const char16_t* printer) {
  if (!IsPrinterName(printer)) return {};
  if (IsConnectionName(printer)) return {kOtherPort, {}, {}};
  std::optional<PrinterPort> port = system.PortOf(printer);
  if (!port) return {kNoPrinter, {}, system.SpoolerRuns() ? "" : kSpoolerDown};
  // The service would open the monitor of the whole list, which fails.
  if (port->connection || port->portName.find(u',') != std::u16string::npos)
    return {kOtherPort, {}, {}};
  PortFacts facts{kOtherPort, port->portName, {}};
  std::optional<std::vector<PortEntry>> ports = system.Ports();
  if (!ports) {
    facts.why = kPortsUnlisted;
    return facts;
  }
  auto entry = std::find_if(ports->begin(), ports->end(), [&](const PortEntry& listed) {
    return EqualIgnoringCase(listed.portName, port->portName);
  });
  if (entry == ports->end()) return facts;
  facts.kind = PortKindOfMonitor(entry->monitorName);
  return facts;
}

// A port named by its printer's URL ("http://printer:631/ipp/print").
std::optional<DeviceUri> UrlOf(std::string_view portName) {
  std::optional<DeviceUri> uri = ParseDeviceUri(portName);
  if (!uri || uri->host.empty()) return std::nullopt;
  for (std::string_view scheme : {"http", "https", "ipp", "ipps"}) {
    if (uri->scheme == scheme) return uri;
  }
  return std::nullopt;
}

// A URL's host when it is an address, else what the resolver makes of it.
std::optional<std::string> HostAddressOf(PrintSystem& system, const DeviceUri& uri) {
  if (uri.hostIsAddress) return uri.host;
  const std::vector<AddressCandidate> found = system.Resolve(uri.host, kWindowsResolveLimit);
  return PreferredAddress(found);
}

// The device behind a WSD printer: the nodes of the print queue's container.
// The addresses its device reported come first; else the host of its first
// location that has one (one lookup at most, so the call stays within 2 s).
std::optional<std::string> WsdAddressOf(PrintSystem& system, std::u16string_view printer,
                                        std::string_view& why) {
  const std::vector<DeviceNode> nodes = system.DeviceNodes();
  auto queue = std::find_if(nodes.begin(), nodes.end(), [&](const DeviceNode& node) {
    return !node.container.empty() && EqualIgnoringCase(node.name, printer);
  });
  if (queue == nodes.end()) {
    why = kNoDeviceNode;
    return std::nullopt;
  }
  std::vector<const DeviceNode*> device;
  for (const DeviceNode& node : nodes) {
    if (EqualIgnoringCase(node.container, queue->container)) device.push_back(&node);
  }
  std::vector<AddressCandidate> reported;
  for (const DeviceNode* node : device) {
    for (const std::string& text : node->ipAddresses) reported.push_back({text, 0});
  }
  if (std::optional<std::string> address = PreferredAddress(reported)) return address;
  for (const DeviceNode* node : device) {
    for (const std::string& location : node->locations) {
      std::optional<DeviceUri> uri = ParseDeviceUri(location);
      if (uri && !uri->host.empty()) {
        why = kNotResolved;
        return HostAddressOf(system, *uri);
      }
    }
  }
  why = kNoAddressReported;
  return std::nullopt;
}

}  // namespace

std::int32_t PortKindOfMonitor(std::u16string_view monitor) {
  if (EqualIgnoringCase(monitor, kTcpIpMonitor)) return kTcpIpPort;
  if (EqualIgnoringCase(monitor, kWsdMonitor) || EqualIgnoringCase(monitor, kIppMonitor))
    return kNetworkDevice;
  return kOtherPort;
}

std::int32_t PortKind(PrintSystem& system, const char16_t* printer, std::string_view* why) {
  const PortFacts facts = FactsOf(system, printer);
  return Answer(facts.kind, facts.why, why);
}

std::int32_t NetworkAddress(PrintSystem& system, const char16_t* printer, char16_t* address,
                            std::string_view* why) {
  if (address == nullptr) return Answer(0, kNoBuffer, why);
  const PortFacts facts = FactsOf(system, printer);
  if (facts.kind == kNoPrinter) return Answer(0, facts.why, why);
  if (facts.kind != kNetworkDevice) {
    return Answer(0, facts.why.empty() ? kNotNetworkDevice : facts.why, why);
  }
  // An IPP port named by its URL gives the URL's host; any other port the
  // address its device reported.
  const std::optional<DeviceUri> url = UrlOf(Utf16ToUtf8(facts.portName));
  std::string_view cause = kNotResolved;
  std::optional<std::string> text =
      url ? HostAddressOf(system, *url) : WsdAddressOf(system, printer, cause);
  if (!text) return Answer(0, cause, why);
  return Answer(WriteWholeAddress(*text, address), kDoesNotFit, why);
}

}  // namespace jobhost::portlink
