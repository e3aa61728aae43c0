#pragma once
// The print spooler on Linux is CUPS: a printer is a queue of that name on the
// server libcups is set up for, its port name is the queue's device URI, and
// the port monitor of a network device URI answers "IPAddress" with its host.

#include "platform/spooler.h"

namespace jobhost::linux {

class LinuxSpooler : public Spooler {
 public:
  // Asks the server afresh; fails without a server or without such a queue.
  std::unique_ptr<PrinterHandle> OpenPrinter(std::u16string_view printerName) override;
  // ",XcvPort <device URI>": opens for a network scheme with a host. Asks no server.
  std::unique_ptr<PortMonitorHandle> OpenPortMonitor(std::u16string_view openName) override;
};

}  // namespace jobhost::linux
