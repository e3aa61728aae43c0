#pragma once
// Linux has no print spooler to ask: opening a printer or monitor fails, so a
// port inspection reports the port library's kind without an address.

#include "platform/spooler.h"

namespace jobhost {

class PosixSpooler : public Spooler {
 public:
  std::unique_ptr<PrinterHandle> OpenPrinter(std::u16string_view) override { return nullptr; }
  std::unique_ptr<PortMonitorHandle> OpenPortMonitor(std::u16string_view) override {
    return nullptr;
  }
};

}  // namespace jobhost
