#pragma once
// A scripted print spooler: printer and port monitor opens succeed or fail as
// told, the level-2 read and the monitor's answer come from the script, and
// every open handle is counted so tests can check each one was closed.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler.h"

namespace jobhost::testing {

class FakeSpooler : public Spooler {
 public:
  bool printerOpens = true;
  PortNameResult portName{PortNameStatus::kRead, u"IP_192.0.2.5", 0};
  bool monitorOpens = true;
  // Written into the offered buffer as is (cut to its size, no terminator added).
  std::u16string monitorAnswer = u"192.0.2.5";

  std::vector<std::u16string> openedMonitors;
  std::vector<std::size_t> queryUnits;
  int printersClosed = 0;
  int monitorsClosed = 0;
  int printersOpen() const { return printersGiven_ - printersClosed; }
  int monitorsOpen() const { return monitorsGiven_ - monitorsClosed; }

  std::unique_ptr<PrinterHandle> OpenPrinter(std::u16string_view) override {
    if (!printerOpens) return nullptr;
    ++printersGiven_;
    return std::make_unique<Printer>(*this);
  }

  std::unique_ptr<PortMonitorHandle> OpenPortMonitor(std::u16string_view openName) override {
    openedMonitors.emplace_back(openName);
    if (!monitorOpens) return nullptr;
    ++monitorsGiven_;
    return std::make_unique<Monitor>(*this);
  }

 private:
  class Printer : public PrinterHandle {
   public:
    explicit Printer(FakeSpooler& owner) : owner_(owner) {}
    ~Printer() override { ++owner_.printersClosed; }
    PortNameResult ReadPortName() override { return owner_.portName; }

   private:
    FakeSpooler& owner_;
  };

  class Monitor : public PortMonitorHandle {
   public:
    explicit Monitor(FakeSpooler& owner) : owner_(owner) {}
    ~Monitor() override { ++owner_.monitorsClosed; }
    void QueryIpAddress(std::span<char16_t> address) override {
      owner_.queryUnits.push_back(address.size());
      std::size_t units = std::min(address.size(), owner_.monitorAnswer.size());
      std::copy_n(owner_.monitorAnswer.begin(), units, address.begin());
    }

   private:
    FakeSpooler& owner_;
  };

  int printersGiven_ = 0;
  int monitorsGiven_ = 0;
};

}  // namespace jobhost::testing
