#include "support/device_uri.h"

#include <gtest/gtest.h>

#include <string>

namespace jobhost {
namespace {

struct UriCase {
  std::string uri;
  bool parses;
  std::string scheme;
  std::string host;
  bool hostIsAddress;
  std::int32_t kind;
  bool monitored;
};

TEST(DeviceUri, SchemeHostAndKind) {
  const std::string longName(600, 'h');
  const UriCase cases[] = {
      {"socket://192.0.2.5:9100", true, "socket", "192.0.2.5", true, 2, true},
      {"lpd://printer.example/queue", true, "lpd", "printer.example", false, 2, true},
      {"SOCKET://192.0.2.5", true, "socket", "192.0.2.5", true, 2, true},
      {"socket://user@host", true, "socket", "host", false, 2, true},
      {"socket://user:pw@a@192.0.2.9:9100", true, "socket", "192.0.2.9", true, 2, true},
      {"ipp://10.0.0.7/ipp/print", true, "ipp", "10.0.0.7", true, 3, true},
      {"ipps://[2001:db8::7]:631/ipp", true, "ipps", "2001:db8::7", true, 3, true},
      {"http://[fe80::1%25eth0]/", true, "http", "fe80::1%eth0", true, 3, true},
      {"https://host?x#y", true, "https", "host", false, 3, true},
      {"dnssd://Office%20Laser._ipp._tcp.local./?uuid=1", true, "dnssd",
       "Office Laser._ipp._tcp.local.", false, 3, false},
      {"usb://Vendor/Model?serial=1", true, "usb", "Vendor", false, 1, false},
      {"file:///dev/null", true, "file", "", false, 1, false},
      {"socket://", true, "socket", "", false, 2, true},
      {"socket://:9100", true, "socket", "", false, 2, true},
      {"socket://[2001:db8::1", true, "socket", "", false, 2, true},
      {"socket://[not-an-address]", true, "socket", "", false, 2, true},
      // IPv6 literals are addresses only when they are addresses (RFC 4291).
      {"socket://[:]", true, "socket", "", false, 2, true},
      {"socket://[1.2]", true, "socket", "", false, 2, true},
      {"socket://[::]", true, "socket", "::", true, 2, true},
      {"ipp://[::ffff:192.0.2.1]:631/", true, "ipp", "::ffff:192.0.2.1", true, 3, true},
      {"ipp://[1:2:3:4:5:6:7:8]/", true, "ipp", "1:2:3:4:5:6:7:8", true, 3, true},
      {"ipp://[1:2:3:4:5:6:7::]/", true, "ipp", "1:2:3:4:5:6:7::", true, 3, true},
      {"ipp://[1:2:3:4:5:6:7]/", true, "ipp", "", false, 3, true},
      {"ipp://[1:2:3:4:5:6:7:8:9]/", true, "ipp", "", false, 3, true},
      {"ipp://[1::2::3]/", true, "ipp", "", false, 3, true},
      {"ipp://[12345::1]/", true, "ipp", "", false, 3, true},
      {"ipp://[1::2:]/", true, "ipp", "", false, 3, true},
      {"ipp://[::1.2.3]/", true, "ipp", "", false, 3, true},
      {"ipp://[fe80::1%25]/", true, "ipp", "", false, 3, true},
      {"socket://bad%zzescape", true, "socket", "", false, 2, true},
      {"socket://nul%00byte", true, "socket", "", false, 2, true},
      {"socket://trailing%2", true, "socket", "", false, 2, true},
      {"socket://256.1.1.1", true, "socket", "256.1.1.1", false, 2, true},
      {"socket://1.2.3", true, "socket", "1.2.3", false, 2, true},
      {"socket://010.0.0.7", true, "socket", "010.0.0.7", false, 2, true},
      {"socket://" + longName + ":9100/", true, "socket", longName, false, 2, true},
      {"", false, "", "", false, 0, false},
      {"no scheme here", false, "", "", false, 0, false},
      {"9p://host", false, "", "", false, 0, false},
  };
  for (const UriCase& c : cases) {
    SCOPED_TRACE(c.uri);
    std::optional<DeviceUri> uri = ParseDeviceUri(c.uri);
    ASSERT_EQ(uri.has_value(), c.parses);
    if (!uri) continue;
    EXPECT_EQ(uri->scheme, c.scheme);
    EXPECT_EQ(uri->host, c.host);
    EXPECT_EQ(uri->hostIsAddress, c.hostIsAddress);
    EXPECT_EQ(PortKindOfScheme(uri->scheme), c.kind);
    EXPECT_EQ(IsMonitoredScheme(uri->scheme), c.monitored);
  }
}

}  // namespace
}  // namespace jobhost
