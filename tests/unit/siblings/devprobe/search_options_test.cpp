#include "search_options.h"

#include <gtest/gtest.h>

namespace jobhost::devprobe {
namespace {

TEST(SearchOptions, SweepAndPrinterKeysAndTheirUnusableValues) {
  const struct {
    const char* parameter;
    bool usable;
    std::size_t hosts = 0;
    int rate = kDefaultSweepRate;
    bool printers = false;
    bool dnssd = true;
    bool wsd = true;
  } cases[] = {
      {"range=192.0.2.0/24", true, 254},
      {"range=192.0.2.77/24", true, 254},
      {"range = 10.0.0.0/16", true, 65534},
      {"range=192.0.2.0/31", true, 2},
      {"range=192.0.2.9/32", true, 1},
      {"range=192.0.2.0/24, 192.0.2.128/25", true, 254},
      {"range=10.0.0.0/17,10.1.0.0/17", true, 65532},
      {"range=10.0.0.0/16,10.1.0.0/32", false},
      {"range=10.0.0.0/15", false},
      {"range=10.0.0.0/33", false},
      {"range=10.0.0.0", false},
      {"range=10.0.0/24", false},
      {"range=10.0.0.256/24", false},
      {"range=10.0.0.0001/24", false},
      {"range=10.0.0.0/+24", false},
      {"range=192.0.2.0/24,", false},
      {"range=", false},
      {"rate=100", true, 0, 100},
      {"rate=1000000", true, 0, 1000000},
      {"rate=0", false},
      {"rate=-1", false},
      {"rate=fast", false},
      {"printers=1", true, 0, kDefaultSweepRate, true},
      {"printers=0", true},
      {"printers=yes", false},
      {"printers=2", false},
      {"dnssd=0", true, 0, kDefaultSweepRate, false, false},
      {"dnssd=1", true},
      {"dnssd=off", false},
      {"wsd=0", true, 0, kDefaultSweepRate, false, true, false},
      {"WSD=1;dnssd=0", true, 0, kDefaultSweepRate, false, false},
      {"wsd=no", false},
      {"RANGE=192.0.2.0/30;Rate=10;Printers=1;colour=9", true, 2, 10, true},
  };
  for (const auto& c : cases) {
    const auto options = ParseSearchOptions(c.parameter);
    ASSERT_EQ(options.has_value(), c.usable) << c.parameter;
    if (!options) continue;
    EXPECT_EQ(CountHosts(RangeHostRuns(options->ranges)), c.hosts) << c.parameter;
    EXPECT_EQ(options->sweepRate, c.rate) << c.parameter;
    EXPECT_EQ(options->printersOnly, c.printers) << c.parameter;
    EXPECT_EQ(options->dnssd, c.dnssd) << c.parameter;
    EXPECT_EQ(options->wsd, c.wsd) << c.parameter;
  }
}

TEST(SearchOptions, PortIsTakenFromTheParameter) {
  const struct {
    const char* parameter;
    std::optional<std::uint16_t> port;
  } cases[] = {
      {"", 161},
      {"port=1161", 1161},
      {"PORT = 1161 ", 1161},
      {"model=x;port=2000;other", 2000},
      {";;port=65535;", 65535},
      {"transport=9", 161},
      {"port=1;port=2", 2},
      {"port=0", std::nullopt},
      {"port=65536", std::nullopt},
      {"port=12ab", std::nullopt},
      {"port=", std::nullopt},
      {"port=-5", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto options = ParseSearchOptions(c.parameter);
    ASSERT_EQ(options.has_value(), c.port.has_value()) << c.parameter;
    if (options) {
      EXPECT_EQ(options->port, *c.port) << c.parameter;
    }
  }
}
}  // namespace
}  // namespace jobhost::devprobe
