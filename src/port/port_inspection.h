#pragma once
// What kind of port a printer prints to, and for the network kinds its address.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "family/family.h"
#include "platform/platform.h"

namespace jobhost {

// 0 nothing usable, 1 a kind without address, 2 a standard TCP/IP port,
// 3 a WSD port; any other nonzero value passes through from the library.
using PortKind = std::int32_t;

inline constexpr PortKind kNoUsablePort = 0;
inline constexpr PortKind kStandardTcpIpPort = 2;
inline constexpr PortKind kWsdPort = 3;

inline constexpr std::size_t kPortAddressUnits = 512;
// The part of the address buffer offered to a port monitor's "IPAddress" query.
inline constexpr std::size_t kMonitorAddressUnits = 128;
// Capacity of ",XcvPort <port name>", terminator included.
inline constexpr std::size_t kPortOpenNameCapacity = 1024;

// Clears address, then asks the port library (and for kind 2 the port's
// monitor) about the printer. address holds a terminated text afterwards,
// empty unless a kind 2 or 3 path wrote it.
PortKind InspectPrinterPort(std::u16string_view printerName,
                            std::span<char16_t, kPortAddressUnits> address, const Family& family,
                            Platform& platform);

}  // namespace jobhost
