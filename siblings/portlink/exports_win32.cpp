// The port library on Windows: every call asks the local spooler afresh;
// nothing is kept between calls.

#include <cstdint>

#include <string_view>

#include "abi/port_library_abi.h"
#include "failure_line.h"
#include "print_system_win32.h"
#include "windows_ports.h"

using jobhost::portlink::Told;

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetPortTypeByPrinterName(const char16_t* printer) {
  jobhost::portlink::Win32PrintSystem system;
  std::string_view why;
  return Told("GetPortTypeByPrinterName", jobhost::portlink::PortKind(system, printer, &why), why);
}

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetIPAddressFromWsdPortByPrinterName(
    const char16_t* printer, char16_t* address, std::uint32_t* /*value*/) {
  jobhost::portlink::Win32PrintSystem system;
  std::string_view why;
  return Told("GetIPAddressFromWsdPortByPrinterName",
              jobhost::portlink::NetworkAddress(system, printer, address, &why), why);
}
