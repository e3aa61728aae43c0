#include "print_system_win32.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "system/win32/unique_printer.h"
#include "system/win32/wide_text.h"

namespace jobhost::portlink {
namespace {

using win32::UniquePrinter;

// Level 5 holds the port and the attributes, both kept by the local spooler.
constexpr DWORD kPrinterLevel = 5;
constexpr DWORD kPortLevel = 2;

// Reads a spooler answer whose size the first call tells; empty on failure.
template <typename Call>
std::vector<BYTE> ReadSized(Call call) {
  DWORD needed = 0;
  DWORD count = 0;
  call(nullptr, 0, &needed, &count);
  if (needed == 0) return {};
  std::vector<BYTE> bytes(needed);
  if (!call(bytes.data(), needed, &needed, &count)) return {};
  return bytes;
}

std::u16string TextOf(const wchar_t* text) {
  return text != nullptr ? win32::FromWide(text) : std::u16string();
}

}  // namespace

std::optional<PrinterPort> Win32PrintSystem::PortOf(std::u16string_view printer) {
  std::wstring name = win32::ToWide(printer);
  // Use access is all a normal user has; Wine does not check it.
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(name.data(), &handle, &defaults)) return std::nullopt;
  UniquePrinter opened(handle);
  std::vector<BYTE> bytes = ReadSized([&](BYTE* buffer, DWORD size, DWORD* needed, DWORD*) {
    return ::GetPrinterW(opened.get(), kPrinterLevel, buffer, size, needed);
  });
  if (bytes.empty()) return std::nullopt;
  const auto* info = reinterpret_cast<const PRINTER_INFO_5W*>(bytes.data());
  return PrinterPort{TextOf(info->pPortName), (info->Attributes & PRINTER_ATTRIBUTE_NETWORK) != 0};
}

// The local print server opens while the spooler runs.
bool Win32PrintSystem::SpoolerRuns() {
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(nullptr, &handle, nullptr)) return false;
  UniquePrinter server(handle);
  return true;
}

std::optional<std::vector<PortEntry>> Win32PrintSystem::Ports() {
  DWORD count = 0;
  std::vector<BYTE> bytes = ReadSized([&](BYTE* buffer, DWORD size, DWORD* needed, DWORD* listed) {
    BOOL done = ::EnumPortsW(nullptr, kPortLevel, buffer, size, needed, listed);
    count = *listed;
    return done;
  });
  if (bytes.empty()) return std::nullopt;
  const auto* info = reinterpret_cast<const PORT_INFO_2W*>(bytes.data());
  std::vector<PortEntry> ports;
  for (DWORD i = 0; i < count; ++i) {
    ports.push_back({TextOf(info[i].pPortName), TextOf(info[i].pMonitorName)});
  }
  return ports;
}

}  // namespace jobhost::portlink
