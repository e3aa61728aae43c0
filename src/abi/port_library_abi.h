#pragma once
// Exports of the port library (<prefix>portlink.dll).

#include <cstdint>

#include "abi/calling_convention.h"

namespace jobhost {

inline constexpr char kPortKindExport[] = "GetPortTypeByPrinterName";
inline constexpr char kWsdAddressExport[] = "GetIPAddressFromWsdPortByPrinterName";
inline constexpr int kWsdAddressUnits = 512;

using PortKindFunction = std::int32_t(JOBHOST_WINAPI*)(const char16_t* printer);
// address: the caller's buffer of kWsdAddressUnits units; value holds 0 on the call.
using WsdAddressFunction = std::int32_t(JOBHOST_WINAPI*)(const char16_t* printer, char16_t* address,
                                                         std::uint32_t* value);

}  // namespace jobhost
