#pragma once
// The seam over the local spooler (winspool), Plug and Play (cfgmgr32) and
// the resolver (ws2_32): a few calls each, every one a normal user may make.

#include "print_system.h"

namespace jobhost::portlink {

class Win32PrintSystem : public PrintSystem {
 public:
  std::optional<PrinterPort> PortOf(std::u16string_view printer) override;
  bool SpoolerRuns() override;
  std::optional<std::vector<PortEntry>> Ports() override;
  std::vector<DeviceNode> DeviceNodes() override;
  std::vector<AddressCandidate> Resolve(const std::string& host,
                                        std::chrono::milliseconds limit) override;
};

}  // namespace jobhost::portlink
