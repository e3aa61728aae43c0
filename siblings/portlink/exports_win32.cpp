// The port library on Windows: every call asks the local spooler afresh;
// nothing is kept between calls.

#include <cstdint>

#include "abi/port_library_abi.h"
#include "print_system_win32.h"
#include "windows_ports.h"

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetPortTypeByPrinterName(const char16_t* printer) {
  jobhost::portlink::Win32PrintSystem system;
  return jobhost::portlink::PortKind(system, printer);
}

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetIPAddressFromWsdPortByPrinterName(
    const char16_t* printer, char16_t* address, std::uint32_t* /*value*/) {
  jobhost::portlink::Win32PrintSystem system;
  return jobhost::portlink::NetworkAddress(system, printer, address);
}
