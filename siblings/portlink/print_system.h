#pragma once
// What the port library asks of the Windows spooler and Plug and Play, as a
// seam: the Windows part answers with the system's calls, unit tests with a
// table. The rules over it (windows_ports.h) are plain C++.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port_rules.h"

namespace jobhost::portlink {

struct PrinterPort {
  std::u16string portName;  // a comma-separated list for a pooled printer
  bool connection = false;  // another computer serves the printer
};

struct PortEntry {
  std::u16string portName;
  std::u16string monitorName;
};

// A device node and the properties of it that lead to an address.
struct DeviceNode {
  std::u16string name;                   // its friendly name (a print queue's is the printer's)
  std::u16string container;              // the container (physical device) it belongs to
  std::vector<std::string> ipAddresses;  // the addresses its device reported
  std::vector<std::string> locations;    // URLs where its device answers
};

class PrintSystem {
 public:
  virtual ~PrintSystem() = default;
  // nullopt: the local spooler does not know the printer, or does not run.
  virtual std::optional<PrinterPort> PortOf(std::u16string_view printer) = 0;
  // Whether the local spooler answers at all; asked only to say why PortOf
  // found nothing.
  virtual bool SpoolerRuns() = 0;
  // Every port of every monitor; nullopt when they cannot be listed.
  virtual std::optional<std::vector<PortEntry>> Ports() = 0;
  virtual std::vector<DeviceNode> DeviceNodes() = 0;
  // The host's addresses, given up after limit (empty then).
  virtual std::vector<AddressCandidate> Resolve(const std::string& host,
                                                std::chrono::milliseconds limit) = 0;
};

}  // namespace jobhost::portlink
