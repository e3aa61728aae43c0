#include "platform/linux/spooler.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/utf.h"

namespace jobhost::linux {
namespace {

struct MonitorCase {
  std::u16string openName;
  bool opens;
  std::u16string answer;  // what the 128-unit buffer holds afterwards
};

TEST(LinuxSpooler, PortMonitorAnswersTheNetworkHostWhole) {
  const std::u16string host127(127, u'h');
  const MonitorCase cases[] = {
      {u",XcvPort socket://192.0.2.5:9100", true, u"192.0.2.5"},
      {u",XcvPort ipps://[2001:db8::7]:631/ipp", true, u"2001:db8::7"},
      {u",XcvPort https://" + host127 + u"/", true, host127},
      // One unit more would leave no room for the terminator: no cut answer.
      {u",XcvPort https://" + host127 + u"h/", true, u""},
      {u",XcvPort dnssd://Office._ipp._tcp.local./", false, u""},
      {u",XcvPort usb://Vendor/Model", false, u""},
      {u",XcvPort socket://", false, u""},
      {u"XcvPort socket://192.0.2.5", false, u""},
      {u"socket://192.0.2.5", false, u""},
  };
  LinuxSpooler spooler;
  for (const MonitorCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.openName));
    std::unique_ptr<PortMonitorHandle> monitor = spooler.OpenPortMonitor(c.openName);
    ASSERT_EQ(monitor != nullptr, c.opens);
    if (!monitor) continue;
    std::array<char16_t, 129> buffer{};
    buffer[128] = u'!';
    monitor->QueryIpAddress(std::span<char16_t>(buffer).first(128));
    EXPECT_EQ(std::u16string(buffer.data()), c.answer);
    EXPECT_EQ(buffer[128], u'!');
  }
}

}  // namespace
}  // namespace jobhost::linux
