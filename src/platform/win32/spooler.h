#pragma once
// The print spooler: a printer's port name and its port monitor's address.

#include "platform/spooler.h"
#include "system/win32/unique_printer.h"

namespace jobhost::win32 {

class Win32PrinterHandle : public PrinterHandle {
 public:
  explicit Win32PrinterHandle(UniquePrinter printer) : printer_(std::move(printer)) {}
  PortNameResult ReadPortName() override;

 private:
  UniquePrinter printer_;
};

class Win32PortMonitorHandle : public PortMonitorHandle {
 public:
  explicit Win32PortMonitorHandle(UniquePrinter monitor) : monitor_(std::move(monitor)) {}
  void QueryIpAddress(std::span<char16_t> address) override;

 private:
  UniquePrinter monitor_;
};

class Win32Spooler : public Spooler {
 public:
  std::unique_ptr<PrinterHandle> OpenPrinter(std::u16string_view printerName) override;
  std::unique_ptr<PortMonitorHandle> OpenPortMonitor(std::u16string_view openName) override;
};

}  // namespace jobhost::win32
