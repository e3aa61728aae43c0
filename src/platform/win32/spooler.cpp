#include "platform/win32/spooler.h"

#include <algorithm>

#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

// Reading the port name needs no more; full access fails for every account
// that does not administer the printer (standard users, administrators under
// UAC). Wine does not check printer access, so only Windows shows this.
constexpr DWORD kPrinterAccess = PRINTER_ACCESS_USE;  // 0x8
constexpr DWORD kMonitorAccess = READ_CONTROL;        // 0x20000
static_assert(kPrinterAccess == 0x8 && kMonitorAccess == 0x20000);

constexpr DWORD kPrinterInfoLevel = 2;
constexpr wchar_t kIpAddressQuery[] = L"IPAddress";

UniquePrinter Open(std::u16string_view name, DWORD access) {
  std::wstring printerName = ToWide(name);
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
  HANDLE printer = nullptr;
  if (!::OpenPrinterW(printerName.data(), &printer, &defaults)) return UniquePrinter();
  return UniquePrinter(printer);
}

}  // namespace

PortNameResult Win32PrinterHandle::ReadPortName() {
  DWORD needed = 0;
  ::GetPrinterW(printer_.get(), kPrinterInfoLevel, nullptr, 0, &needed);
  // At least one byte, so a failed size query still reaches the read and
  // reports the system's error rather than a missing buffer.
  const DWORD size = std::max<DWORD>(needed, 1);
  UniqueLocalMemory buffer(::LocalAlloc(LMEM_FIXED, size));
  if (!buffer) return {PortNameStatus::kNoMemory, {}, 0};
  auto* bytes = static_cast<BYTE*>(buffer.get());
  if (!::GetPrinterW(printer_.get(), kPrinterInfoLevel, bytes, size, &needed)) {
    return {PortNameStatus::kReadFailed, {}, ::GetLastError()};
  }
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(bytes);
  std::u16string portName = info->pPortName ? FromWide(info->pPortName) : std::u16string();
  return {PortNameStatus::kRead, std::move(portName), 0};
}

void Win32PortMonitorHandle::QueryIpAddress(std::span<char16_t> address) {
  DWORD needed = 0;
  DWORD status = 0;
  const DWORD size = static_cast<DWORD>(std::min<std::size_t>(address.size_bytes(), MAXDWORD));
  ::XcvDataW(monitor_.get(), kIpAddressQuery, nullptr, 0, reinterpret_cast<BYTE*>(address.data()),
             size, &needed, &status);
}

std::unique_ptr<PrinterHandle> Win32Spooler::OpenPrinter(std::u16string_view printerName) {
  UniquePrinter printer = Open(printerName, kPrinterAccess);
  if (!printer) return nullptr;
  return std::make_unique<Win32PrinterHandle>(std::move(printer));
}

std::unique_ptr<PortMonitorHandle> Win32Spooler::OpenPortMonitor(std::u16string_view openName) {
  UniquePrinter monitor = Open(openName, kMonitorAccess);
  if (!monitor) return nullptr;
  return std::make_unique<Win32PortMonitorHandle>(std::move(monitor));
}

}  // namespace jobhost::win32
