#pragma once
// The print spooler, as far as a port inspection needs it.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace jobhost {

enum class PortNameStatus {
  kRead,        // portName holds the level-2 port name
  kNoMemory,    // no buffer for the level-2 information could be had
  kReadFailed,  // the level-2 read failed; lastError holds the system's code
};

struct PortNameResult {
  PortNameStatus status = PortNameStatus::kReadFailed;
  std::u16string portName;
  std::uint32_t lastError = 0;
};

// An open printer (opened for use); destroying it closes it.
class PrinterHandle {
 public:
  virtual ~PrinterHandle() = default;
  // Sizes, allocates and reads the level-2 printer information.
  virtual PortNameResult ReadPortName() = 0;
};

// An open port monitor (",XcvPort <port>", read control); destroying it closes it.
class PortMonitorHandle {
 public:
  virtual ~PortMonitorHandle() = default;
  // Asks the monitor for "IPAddress" into address, offering its size in bytes.
  // Neither result nor status is reported: the buffer holds what the monitor left.
  virtual void QueryIpAddress(std::span<char16_t> address) = 0;
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  virtual std::unique_ptr<PrinterHandle> OpenPrinter(std::u16string_view printerName) = 0;
  virtual std::unique_ptr<PortMonitorHandle> OpenPortMonitor(std::u16string_view openName) = 0;
};

}  // namespace jobhost
