#include "platform/linux/spooler.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "cups_queue/cups_queue.h"
#include "support/device_uri.h"
#include "support/utf.h"

namespace jobhost::linux {
namespace {

constexpr std::u16string_view kMonitorOpenPrefix = u",XcvPort ";

// The queue's device URI, read when the printer was opened.
class CupsPrinter : public PrinterHandle {
 public:
  explicit CupsPrinter(std::u16string deviceUri) : deviceUri_(std::move(deviceUri)) {}
  PortNameResult ReadPortName() override { return {PortNameStatus::kRead, deviceUri_, 0}; }

 private:
  std::u16string deviceUri_;
};

class HostMonitor : public PortMonitorHandle {
 public:
  explicit HostMonitor(std::u16string host) : host_(std::move(host)) {}
  // A host that does not fit with its terminator is not answered at all: a
  // cut host would be another machine's name.
  void QueryIpAddress(std::span<char16_t> address) override {
    if (address.empty() || host_.size() >= address.size()) return;
    std::copy(host_.begin(), host_.end(), address.begin());
    address[host_.size()] = u'\0';
  }

 private:
  std::u16string host_;
};

}  // namespace

std::unique_ptr<PrinterHandle> LinuxSpooler::OpenPrinter(std::u16string_view printerName) {
  std::optional<std::string> deviceUri = cups_queue::QueueDeviceUri(Utf16ToUtf8(printerName));
  if (!deviceUri) return nullptr;
  return std::make_unique<CupsPrinter>(Utf8ToUtf16(*deviceUri));
}

std::unique_ptr<PortMonitorHandle> LinuxSpooler::OpenPortMonitor(std::u16string_view openName) {
  if (!openName.starts_with(kMonitorOpenPrefix)) return nullptr;
  openName.remove_prefix(kMonitorOpenPrefix.size());
  std::optional<DeviceUri> uri = ParseDeviceUri(Utf16ToUtf8(openName));
  if (!uri || !IsMonitoredScheme(uri->scheme) || uri->host.empty()) return nullptr;
  return std::make_unique<HostMonitor>(Utf8ToUtf16(uri->host));
}

}  // namespace jobhost::linux
