// Scripted port library: kinds and addresses come from the table beside it
// (its own path with ".table" for ".dll"), every call is logged beside it
// (".log"). Built twice: with and without the address export.

#include <algorithm>
#include <cstdint>
#include <string>

#include "abi/port_library_abi.h"
#include "log_text.h"
#include "port_table.h"
#include "sibling_files.h"
#include "support/utf.h"
#include "system_access.h"

namespace jobhost::stand_in {
namespace {

void Log(const std::string& line) {
  AppendToFile(ReplaceEnding(OwnModulePath(), ".dll", ".log"), line + "\n");
}

PortTable LoadTable() {
  std::optional<std::string> text = ReadWholeFile(ReplaceEnding(OwnModulePath(), ".dll", ".table"));
  PortTable table = ParsePortTable(text.value_or(std::string()));
  for (const std::string& problem : table.problems) Log("table " + problem);
  return table;
}

std::optional<std::string> PrinterText(const char16_t* printer) {
  if (printer == nullptr) return std::nullopt;
  return Utf16ToUtf8(printer);
}

std::string QuotedPrinter(const std::optional<std::string>& printer) {
  return printer ? Quoted(*printer, false) : "null";
}

// Writes the entry's address into the caller's 512-unit buffer; returns what
// was written, for the log.
std::string WriteAddress(const PortEntry& entry, char16_t* address) {
  std::u16string text = Utf8ToUtf16(entry.address);
  if (entry.unterminated) {
    if (text.empty()) text.push_back(u'x');
    for (int i = 0; i < kWsdAddressUnits; ++i) address[i] = text[i % text.size()];
    return "(512 units, no terminator)";
  }
  std::size_t length = std::min<std::size_t>(text.size(), kWsdAddressUnits - 1);
  std::copy_n(text.begin(), length, address);
  address[length] = u'\0';
  return Quoted(Utf16ToUtf8(std::u16string_view(address, length)), false);
}

std::int32_t PortKindOf(const char16_t* printer) {
  std::optional<std::string> name = PrinterText(printer);
  PortTable table = LoadTable();
  const PortEntry* entry = name ? FindPort(table, *name) : nullptr;
  std::int32_t kind = entry != nullptr ? entry->kind : 0;
  Log("GetPortTypeByPrinterName printer=" + QuotedPrinter(name) + " -> " + std::to_string(kind));
  return kind;
}

// The variant without the address export has no use for it.
[[maybe_unused]] std::int32_t WsdAddressOf(const char16_t* printer, char16_t* address,
                                           std::uint32_t* value) {
  std::optional<std::string> name = PrinterText(printer);
  std::string valueText = value != nullptr ? std::to_string(*value) : "null";
  PortTable table = LoadTable();
  const PortEntry* entry = name ? FindPort(table, *name) : nullptr;
  std::string written = "untouched";
  std::int32_t result = 0;
  if (entry != nullptr && address != nullptr) {
    written = WriteAddress(*entry, address);
    result = entry->addressFails ? 0 : 1;
  }
  Log("GetIPAddressFromWsdPortByPrinterName printer=" + QuotedPrinter(name) +
      " address=" + PointerWord(address) + " value=" + valueText + " wrote=" + written + " -> " +
      std::to_string(result));
  return result;
}

}  // namespace
}  // namespace jobhost::stand_in

JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetPortTypeByPrinterName(const char16_t* printer) {
  return jobhost::stand_in::PortKindOf(printer);
}

#ifndef JOBHOST_STAND_IN_NO_ADDRESS_EXPORT
JOBHOST_EXPORT std::int32_t JOBHOST_WINAPI GetIPAddressFromWsdPortByPrinterName(
    const char16_t* printer, char16_t* address, std::uint32_t* value) {
  return jobhost::stand_in::WsdAddressOf(printer, address, value);
}
#endif
