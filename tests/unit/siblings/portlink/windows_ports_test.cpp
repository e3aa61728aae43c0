// The port library's answers on Windows, on a scripted spooler, device tree
// and resolver.

#include "windows_ports.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "support/utf.h"

namespace jobhost::portlink {
namespace {

using namespace std::chrono_literals;

class FakePrintSystem : public PrintSystem {
 public:
  std::optional<PrinterPort> PortOf(std::u16string_view printer) override {
    opened.emplace_back(printer);
    auto found = printers.find(std::u16string(printer));
    if (!running || found == printers.end()) return std::nullopt;
    return found->second;
  }
  bool SpoolerRuns() override { return running; }
  std::optional<std::vector<PortEntry>> Ports() override {
    if (!listable) return std::nullopt;
    return ports;
  }
  std::vector<DeviceNode> DeviceNodes() override { return nodes; }
  std::vector<AddressCandidate> Resolve(const std::string& host,
                                        std::chrono::milliseconds limit) override {
    limits.push_back(limit);
    auto found = hosts.find(host);
    // A host nobody answers for: the lookup is given up after the limit.
    return found == hosts.end() ? std::vector<AddressCandidate>{} : found->second;
  }

  bool running = true;
  bool listable = true;
  std::map<std::u16string, PrinterPort> printers;
  std::vector<PortEntry> ports;
  std::vector<DeviceNode> nodes;
  std::map<std::string, std::vector<AddressCandidate>> hosts;
  std::vector<std::u16string> opened;
  std::vector<std::chrono::milliseconds> limits;
};

const std::string kZone503(503, 'z');

// A printer on a port of a monitor.
struct PrinterSetup {
  std::u16string printer;
  std::u16string port;
  std::u16string monitor;  // empty: no monitor lists the port
  bool connection = false;
};

// A WSD printer's device: its queue node and a node of the same container.
struct Device {
  std::u16string printer;
  std::vector<std::string> ipAddresses;
  std::vector<std::string> locations;
};

class WindowsPortsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const PrinterSetup& setup : std::initializer_list<PrinterSetup>{
             {u"Tcp", u"IP_192.0.2.5", u"Standard TCP/IP Port"},
             {u"Local", u"LPT1:", u"Local Port"},
             {u"WineLocal", u"FILE:", u"Local Monitor"},
             {u"Usb", u"USB001", u"USB Monitor"},
             {u"Unlisted", u"NUL2:", u""},
             {u"Pooled", u"IP_192.0.2.5,IP_192.0.2.6", u""},
             {u"Shared", u"IP_192.0.2.5", u"", true},
             {u"B\u00fcro \u6f22", u"ip_192.0.2.5", u"Standard TCP/IP Port"},
             {u"Ipp", u"http://192.0.2.9:631/ipp/print", u"WSD Port"},
             {u"IppMonitor", u"ipp://192.0.2.11/ipp/print", u"ippmon"},
             {u"IppNamed", u"https://printer.test/ipp/print", u"WSD Port"},
             {u"IppZoned", u"http://zoned.test/ipp", u"wsd port"},
             {u"IppSilent", u"http://silent.test/ipp", u"WSD Port"},
             {u"WsdV4", u"WSD-1", u"WSD Port"},
             {u"WsdV6", u"WSD-2", u"wsd port"},
             {u"WsdLocation", u"WSD-3", u"WSD Port"},
             {u"WsdSilentLocation", u"WSD-7", u"WSD Port"},
             {u"Wsd511", u"WSD-4", u"WSD Port"},
             {u"Wsd512", u"WSD-5", u"WSD Port"},
             {u"WsdNoNode", u"WSD-6", u"WSD Port"},
             {u"WsdMute", u"WSD-8", u"WSD Port"},
         }) {
      system.printers[setup.printer] = {setup.port, setup.connection};
      if (!setup.monitor.empty()) system.ports.push_back({setup.port, setup.monitor});
    }
    // Ports are compared case-blind.
    system.ports.push_back({u"IP_192.0.2.5", u"Standard TCP/IP Port"});
    int container = 0;
    for (const Device& device : std::initializer_list<Device>{
             {u"WsdV4", {"fe80::1", "198.51.100.7"}, {}},
             {u"WsdV6", {"not an address", "fe80::2%7"}, {}},
             {u"WsdLocation", {}, {"urn:uuid:1", "http://198.51.100.8:5357/device"}},
             {u"WsdSilentLocation", {}, {"http://silent.test/device", "http://198.51.100.9/"}},
             {u"Wsd511", {"fe80::1%" + kZone503}, {}},
             {u"Wsd512", {"fe80::1%" + kZone503 + "z"}, {}},
             {u"WsdMute", {}, {}},
         }) {
      const std::u16string id = u"container-" + Utf8ToUtf16(std::to_string(++container));
      system.nodes.push_back({device.printer, id, {}, {}});
      system.nodes.push_back({u"", id, device.ipAddresses, device.locations});
    }
    system.hosts["printer.test"] = {{"2001:db8::9", 3}, {"192.0.2.10", 0}};
    system.hosts["zoned.test"] = {{"fe80::5", 4}};
  }

  FakePrintSystem system;
};

TEST_F(WindowsPortsTest, KindAndAddressOfEachPrinter) {
  struct Row {
    const char* what;
    std::optional<std::u16string> printer;  // nullopt: a null pointer
    std::int32_t kind;
    std::optional<std::string> address;  // nullopt: 0 and the buffer untouched
    bool down = false;
  };
  const Row rows[] = {
      {"TCP/IP monitor", u"Tcp", 2, std::nullopt},
      {"name no single code page holds", u"B\u00fcro \u6f22", 2, std::nullopt},
      {"Windows' local monitor", u"Local", 1, std::nullopt},
      {"Wine's local monitor", u"WineLocal", 1, std::nullopt},
      {"USB monitor", u"Usb", 1, std::nullopt},
      {"port no monitor lists", u"Unlisted", 1, std::nullopt},
      {"pooled printer", u"Pooled", 1, std::nullopt},
      {"connection by attribute", u"Shared", 1, std::nullopt},
      {"connection by name", u"\\\\server\\Office", 1, std::nullopt},
      {"comma in the name", u"Tcp,Local", 0, std::nullopt},
      {"empty name", u"", 0, std::nullopt},
      {"null name", std::nullopt, 0, std::nullopt},
      {"unknown printer", u"Missing", 0, std::nullopt},
      {"spooler down", u"Tcp", 0, std::nullopt, true},
      {"IPP port, address host", u"Ipp", 3, "192.0.2.9"},
      {"IPP monitor's port", u"IppMonitor", 3, "192.0.2.11"},
      {"IPP port, host name resolves", u"IppNamed", 3, "192.0.2.10"},
      {"IPP port, link-local IPv6 with zone", u"IppZoned", 3, "fe80::5%4"},
      {"IPP port, host nobody answers", u"IppSilent", 3, std::nullopt},
      {"WSD, IPv4 before IPv6", u"WsdV4", 3, "198.51.100.7"},
      {"WSD, IPv6 keeps its zone", u"WsdV6", 3, "fe80::2%7"},
      {"WSD, host of the location URL", u"WsdLocation", 3, "198.51.100.8"},
      {"WSD, one lookup at most", u"WsdSilentLocation", 3, std::nullopt},
      {"WSD, 511 units fit", u"Wsd511", 3, "fe80::1%" + kZone503},
      {"WSD, 512 units do not", u"Wsd512", 3, std::nullopt},
      {"WSD, no device node", u"WsdNoNode", 3, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    system.running = !row.down;
    const char16_t* printer = row.printer ? row.printer->c_str() : nullptr;
    EXPECT_EQ(PortKind(system, printer), row.kind);
    std::array<char16_t, 512> buffer;
    buffer.fill(u'#');
    const std::array<char16_t, 512> before = buffer;
    EXPECT_EQ(NetworkAddress(system, printer, buffer.data()), row.address ? 1 : 0);
    if (row.address) {
      EXPECT_EQ(Utf16ToUtf8(buffer.data()), *row.address);
    } else {
      EXPECT_EQ(buffer, before);
    }
  }
  // Nothing goes to another computer, nor to a name the spooler reads as a list.
  for (const std::u16string& opened : system.opened) {
    EXPECT_FALSE(opened.starts_with(u"\\\\") || opened.find(u',') != std::u16string::npos);
  }
  // One lookup, of at most 2 s, for each row with a host name.
  EXPECT_EQ(system.limits, std::vector<std::chrono::milliseconds>(4, 2s));
}

TEST_F(WindowsPortsTest, EachZeroNamesItsCauseUnlessThePrinterIsUnknown) {
  struct Row {
    const char* printer;
    bool down;
    bool listable;
    std::string_view kindWhy;  // empty: no cause to tell
    std::string_view addressWhy;
  };
  const Row rows[] = {
      {"Missing", false, true, "", ""},
      {"", false, true, "", ""},
      {"Tcp", true, true, "the spooler is not running", "the spooler is not running"},
      {"Local", false, true, "", "the printer's port is not a network device's"},
      {"Ipp", false, false, "", "the spooler's ports cannot be listed"},
      {"IppSilent", false, true, "", "the host name does not resolve within 2 s"},
      {"WsdNoNode", false, true, "", "no device node belongs to the printer"},
      {"WsdMute", false, true, "", "the printer's device reported no address and no location"},
      {"WsdSilentLocation", false, true, "", "the host name does not resolve within 2 s"},
      {"Wsd512", false, true, "", "the address does not fit the buffer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.printer);
    system.running = !row.down;
    system.listable = row.listable;
    const std::u16string printer = Utf8ToUtf16(row.printer);
    std::string_view why;
    PortKind(system, printer.c_str(), &why);
    EXPECT_EQ(why, row.kindWhy);
    why = {};
    std::array<char16_t, 512> buffer{};
    EXPECT_EQ(NetworkAddress(system, printer.c_str(), buffer.data(), &why), 0);
    EXPECT_EQ(why, row.addressWhy);
  }
  std::string_view why;
  EXPECT_EQ(NetworkAddress(system, u"Ipp", nullptr, &why), 0);
  EXPECT_EQ(why, "no buffer for the address");
}

}  // namespace
}  // namespace jobhost::portlink
