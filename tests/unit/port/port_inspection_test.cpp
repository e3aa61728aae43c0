#include "port/port_inspection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "abi/port_library_abi.h"
#include "fakes/test_platform.h"

namespace jobhost {
namespace {

using testing::ExportOf;
using testing::FakeLibraries;
using testing::TestPlatform;

constexpr char16_t kPortLibraryPath[] = u"C:\\Drivers\\vtlportlink.dll";

// The port library's answers for the current case; the exports are plain
// functions, so the script lives here.
struct PortLibraryScript {
  std::int32_t kind = 0;
  std::int32_t addressResult = 1;
  std::u16string address;  // written as is, terminator added when it fits
  std::vector<std::u16string> kindCalls = {};
  std::vector<std::uint32_t> valuesOnCall = {};
};
PortLibraryScript script;

std::int32_t JOBHOST_WINAPI ScriptedPortKind(const char16_t* printer) {
  script.kindCalls.emplace_back(printer);
  return script.kind;
}

std::int32_t JOBHOST_WINAPI ScriptedWsdAddress(const char16_t*, char16_t* address,
                                               std::uint32_t* value) {
  script.valuesOnCall.push_back(*value);
  std::copy(script.address.begin(), script.address.end(), address);
  if (script.address.size() < kPortAddressUnits) address[script.address.size()] = u'\0';
  return script.addressResult;
}

enum class Exports { kNone, kKindOnly, kBoth, kLibraryMissing };

struct InspectionCase {
  const char* rule;
  Exports exports = Exports::kBoth;
  std::int32_t libraryKind = 2;
  bool printerOpens = true;
  PortNameStatus portNameStatus = PortNameStatus::kRead;
  std::u16string portName = u"IP_192.0.2.5";
  bool monitorOpens = true;
  std::u16string monitorAnswer = u"192.0.2.5";
  std::int32_t wsdResult = 1;
  std::u16string wsdAddress = u"192.0.2.10";
  // Expected:
  PortKind kind = 0;
  std::u16string address = {};
  std::vector<std::string> trace = {};
  std::vector<std::u16string> monitorsOpened = {};
};

std::vector<InspectionCase> InspectionCases() {
  const std::u16string monitor = u",XcvPort IP_192.0.2.5";
  std::vector<InspectionCase> cases = {
      {.rule = "NoLibrary", .exports = Exports::kLibraryMissing},
      {.rule = "KindExportMissing", .exports = Exports::kNone},
      {.rule = "LibraryReportsZero", .libraryKind = 0},
      {.rule = "KindOneOpensAndClosesPrinterOnly", .libraryKind = 1, .kind = 1},
      {.rule = "OtherKindPassesThrough", .libraryKind = -4, .kind = -4},
      {.rule = "PrinterNotOpenableKeepsKind", .printerOpens = false, .kind = 2},
      {.rule = "Kind2NoMemoryKeepsKind", .portNameStatus = PortNameStatus::kNoMemory, .kind = 2},
      {.rule = "Kind2ReadFailedTraces",
       .portNameStatus = PortNameStatus::kReadFailed,
       .kind = 0,
       .trace = {"GetPrinter() fail, GetLastError is 1722"}},
      {.rule = "Kind2MonitorNotOpenable",
       .monitorOpens = false,
       .kind = 0,
       .monitorsOpened = {monitor}},
      {.rule = "Kind2MonitorAnswers",
       .kind = 2,
       .address = u"192.0.2.5",
       .monitorsOpened = {monitor}},
      {.rule = "Kind2MonitorAnswerTerminatedWithin128Units",
       .monitorAnswer = std::u16string(200, u'9'),
       .kind = 2,
       .address = std::u16string(127, u'9'),
       .monitorsOpened = {monitor}},
      {.rule = "Kind2QueryLeavesNothing",
       .monitorAnswer = u"",
       .kind = 2,
       .monitorsOpened = {monitor}},
      {.rule = "Kind2PortNameAtOpenNameCapacity",
       .portName = std::u16string(1014, u'P'),
       .monitorOpens = false,
       .kind = 0,
       .monitorsOpened = {u",XcvPort " + std::u16string(1014, u'P')}},
      {.rule = "Kind2OverlongPortNameIsNotOpened",
       .portName = std::u16string(1015, u'P'),
       .kind = 0},
      {.rule = "Kind3LibraryAnswers", .libraryKind = 3, .kind = 3, .address = u"192.0.2.10"},
      {.rule = "Kind3AddressFails",
       .libraryKind = 3,
       .wsdResult = 0,
       .wsdAddress = u"half",
       .kind = 0,
       .address = u"half"},
      {.rule = "Kind3AddressExportMissing", .exports = Exports::kKindOnly, .libraryKind = 3},
      {.rule = "Kind3UnterminatedAnswerIsTerminated",
       .libraryKind = 3,
       .wsdAddress = std::u16string(512, u'a'),
       .kind = 3,
       .address = std::u16string(511, u'a')},
      {.rule = "Kind3PrinterNotOpenable", .libraryKind = 3, .printerOpens = false, .kind = 3},
  };
  return cases;
}

TEST(InspectPrinterPort, FollowsTheFailureTableAndReleasesEverything) {
  const Family& family = testing::kFamily;
  for (const InspectionCase& c : InspectionCases()) {
    SCOPED_TRACE(c.rule);
    script = PortLibraryScript{
        .kind = c.libraryKind, .addressResult = c.wsdResult, .address = c.wsdAddress};
    TestPlatform fakes;
    FakeLibraries::Exports exports;
    if (c.exports == Exports::kKindOnly || c.exports == Exports::kBoth) {
      exports[kPortKindExport] = ExportOf(&ScriptedPortKind);
    }
    if (c.exports == Exports::kBoth) exports[kWsdAddressExport] = ExportOf(&ScriptedWsdAddress);
    if (c.exports != Exports::kLibraryMissing) fakes.libraries.Provide(kPortLibraryPath, exports);
    fakes.spooler.printerOpens = c.printerOpens;
    fakes.spooler.portName = {c.portNameStatus, c.portName, 1722};
    fakes.spooler.monitorOpens = c.monitorOpens;
    fakes.spooler.monitorAnswer = c.monitorAnswer;

    std::array<char16_t, kPortAddressUnits> address;
    address.fill(u'#');  // stale content from the caller is cleared
    PortKind kind = InspectPrinterPort(u"Office", address, family, fakes.platform);

    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(std::u16string(address.data()), c.address);
    EXPECT_EQ(fakes.debug.texts, c.trace);
    EXPECT_EQ(fakes.spooler.openedMonitors, c.monitorsOpened);
    for (std::size_t units : fakes.spooler.queryUnits) EXPECT_EQ(units, kMonitorAddressUnits);
    for (std::uint32_t value : script.valuesOnCall) EXPECT_EQ(value, 0u);
    EXPECT_EQ(fakes.libraries.loadAttempts, std::vector<std::u16string>{kPortLibraryPath});
    EXPECT_EQ(fakes.libraries.open(), 0);
    EXPECT_EQ(fakes.spooler.printersOpen(), 0);
    EXPECT_EQ(fakes.spooler.monitorsOpen(), 0);
    if (c.exports != Exports::kLibraryMissing && c.exports != Exports::kNone) {
      EXPECT_EQ(script.kindCalls, std::vector<std::u16string>{u"Office"});
    }
  }
}

TEST(InspectPrinterPort, LibraryPathFollowsTheModulePath) {
  struct Case {
    std::u16string modulePath;
    std::vector<std::u16string> loads;
  } cases[] = {
      {u"C:\\Drivers\\vtlsvc.exe", {u"C:\\Drivers\\vtlportlink.dll"}},
      {u"/opt/jobhost/vtlsvc.exe", {u"/opt/jobhost/vtlportlink.dll"}},
      // No separator: the bare name.
      {u"vtlsvc.exe", {u"vtlportlink.dll"}},
      // A path that would not fit 260 units is not loaded cut.
      {u"C:\\" + std::u16string(250, u'd') + u"\\vtlsvc.exe", {}},
  };
  for (const Case& c : cases) {
    TestPlatform fakes;
    std::array<char16_t, kPortAddressUnits> address{};
    EXPECT_EQ(InspectPrinterPort(u"Office", address, DeriveFamily(c.modulePath), fakes.platform),
              0);
    EXPECT_EQ(fakes.libraries.loadAttempts, c.loads);
  }
}

}  // namespace
}  // namespace jobhost
