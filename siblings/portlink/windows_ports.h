#pragma once
// The port library's answers on Windows, from the spooler's port and monitor
// names and the device nodes behind a printer.

#include <cstdint>
#include <string_view>

#include "print_system.h"

namespace jobhost::portlink {

inline constexpr std::chrono::milliseconds kWindowsResolveLimit{2000};

// "Standard TCP/IP Port" -> 2; "WSD Port" (WSD and IPP printers) -> 3; any
// other -> 1. Letter case ignored.
std::int32_t PortKindOfMonitor(std::u16string_view monitor);

// Each answer of 0 whose cause is not an unknown printer (or a name no
// printer can have) names the cause in why, when given.
std::int32_t PortKind(PrintSystem& system, const char16_t* printer,
                      std::string_view* why = nullptr);

// For a printer of kind 3: its device's address written whole into the
// caller's 512-unit buffer (1), else 0 with the buffer untouched.
std::int32_t NetworkAddress(PrintSystem& system, const char16_t* printer, char16_t* address,
                            std::string_view* why = nullptr);

}  // namespace jobhost::portlink
