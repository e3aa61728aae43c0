#include "port/port_inspection.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "abi/port_library_abi.h"
#include "platform/debug_trace.h"

namespace jobhost {
namespace {

constexpr std::u16string_view kPortOpenPrefix = u",XcvPort ";

static_assert(static_cast<std::size_t>(kWsdAddressUnits) == kPortAddressUnits);

// The monitor's open name; nullopt when it does not fit its capacity.
std::optional<std::u16string> PortOpenName(std::u16string_view portName) {
  if (kPortOpenPrefix.size() + portName.size() >= kPortOpenNameCapacity) return std::nullopt;
  return std::u16string(kPortOpenPrefix) + std::u16string(portName);
}

// Kind 2: the standard TCP/IP monitor tells the address. The printer stays
// open (and is closed by the caller) on every path.
PortKind AskPortMonitor(PrinterHandle& printer, std::span<char16_t, kPortAddressUnits> address,
                        Platform& platform) {
  PortNameResult info = printer.ReadPortName();
  if (info.status == PortNameStatus::kNoMemory) return kStandardTcpIpPort;
  if (info.status == PortNameStatus::kReadFailed) {
    DebugTrace(platform.debug, "GetPrinter() fail, GetLastError is %d",
               static_cast<std::int32_t>(info.lastError));
    return kNoUsablePort;
  }
  // A port name too long to open by is a monitor that cannot be opened.
  std::optional<std::u16string> openName = PortOpenName(info.portName);
  if (!openName) return kNoUsablePort;
  std::unique_ptr<PortMonitorHandle> monitor = platform.spooler.OpenPortMonitor(*openName);
  if (!monitor) return kNoUsablePort;
  std::span<char16_t> answer = address.first(kMonitorAddressUnits);
  monitor->QueryIpAddress(answer);
  // The monitor's answer is not trusted to be terminated.
  answer.back() = u'\0';
  return kStandardTcpIpPort;
}

// Kind 3: the library itself tells a WSD port's address.
PortKind AskPortLibrary(WsdAddressFunction wsdAddress, const std::u16string& printerName,
                        std::span<char16_t, kPortAddressUnits> address) {
  if (wsdAddress == nullptr) return kNoUsablePort;
  std::uint32_t value = 0;
  std::int32_t written = wsdAddress(printerName.c_str(), address.data(), &value);
  // Terminated within the buffer whatever the library left.
  address.back() = u'\0';
  return written != 0 ? kWsdPort : kNoUsablePort;
}

}  // namespace

PortKind InspectPrinterPort(std::u16string_view printerName,
                            std::span<char16_t, kPortAddressUnits> address, const Family& family,
                            Platform& platform) {
  std::fill(address.begin(), address.end(), u'\0');

  std::optional<std::u16string> libraryPath = family.LibraryPath(kPortLibrarySuffix);
  if (!libraryPath) return kNoUsablePort;
  std::unique_ptr<Library> library = platform.libraries.Load(*libraryPath);
  if (!library) return kNoUsablePort;
  auto portKind = ExportAs<PortKindFunction>(library->Symbol(kPortKindExport));
  auto wsdAddress = ExportAs<WsdAddressFunction>(library->Symbol(kWsdAddressExport));
  if (portKind == nullptr) return kNoUsablePort;

  const std::u16string name(printerName);
  PortKind kind = portKind(name.c_str());
  if (kind == kNoUsablePort) return kNoUsablePort;

  std::unique_ptr<PrinterHandle> printer = platform.spooler.OpenPrinter(name);
  if (!printer) return kind;
  if (kind == kStandardTcpIpPort) return AskPortMonitor(*printer, address, platform);
  if (kind == kWsdPort) return AskPortLibrary(wsdAddress, name, address);
  return kind;
}

}  // namespace jobhost
