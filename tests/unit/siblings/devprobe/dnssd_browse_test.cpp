#include "dnssd_browse.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "network/fake_network.h"
#include "test_messages.h"

namespace jobhost::devprobe {
namespace {

using namespace testing_messages;
using network::testing::FakeChannel;
using network::testing::FakeClock;

TEST(DnsSdBrowse, FollowUpsAreWellFormedAndGoAllToTheResponderThatNamedTheInstances) {
  std::vector<DnsTestRecord> twenty;
  for (int i = 0; i < 20; ++i) {
    // Appended, not "P" + text: GCC 12 at -O3 warns about a restrict overlap there.
    std::string label = "P";
    label += std::to_string(i);
    twenty.push_back(IppPointer(label));
  }
  const Bytes srvToRoot = {0, 0, 0, 0, 0x02, 0x77, 0};
  const struct {
    const char* what;
    std::vector<std::pair<std::uint8_t, Bytes>> answers;  // the responder's host, its answer
    std::string followUps;                                // "address questions, " each
    std::vector<std::string> printers;
  } cases[] = {
      {"a PTR to the root beside an instance without its SRV",
       {{9, DnsResponseOf(77, {{{"_ipp", "_tcp", "local"}, 12, Of({0})}, IppPointer("Nine")})},
        {9, DnsSdAnswer(77, "Nine", "nine", Of({192, 0, 2, 9}))}},
       "192.0.2.9 1, ",
       {"192.0.2.9 Nine"}},
      {"an SRV naming the root as its host beside an instance without its SRV",
       {{9, DnsResponseOf(77, {IppPointer("Gone"),
                               {{"Gone", "_ipp", "_tcp", "local"}, 33, srvToRoot},
                               IppPointer("Nine")})},
        {9, DnsSdAnswer(77, "Nine", "nine", Of({192, 0, 2, 9}))}},
       "192.0.2.9 1, ",
       {"192.0.2.9 Nine"}},
      {"twenty instances of one responder, then another's whole answer",
       {{9, DnsResponseOf(77, twenty)}, {10, DnsSdAnswer(77, "Ten", "ten", Of({192, 0, 2, 10}))}},
       "192.0.2.9 16, 192.0.2.9 4, ",
       {"192.0.2.10 Ten"}},
  };
  for (const auto& c : cases) {
    FakeClock clock;
    FakeChannel channel(clock);
    DnsSdBrowse dnssd(AddressFamily::kIpv4, {{2, Ipv4Endpoint(192, 0, 2, 1, 0), 24, {}, true}},
                      {Ipv4Endpoint(224, 0, 0, 251, 5353)}, false, 161, 77);
    for (const auto& [host, answer] : c.answers) {
      EXPECT_TRUE(dnssd.Take(channel, Ipv4Endpoint(192, 0, 2, host, 5353), answer).claimed);
    }
    std::string followUps;
    for (const auto& sent : channel.sent) {
      const auto questions =
          sent.datagram.size() > 12 ? sent.datagram[4] << 8 | sent.datagram[5] : 0;
      followUps += FormatIpv4(sent.to) + " " + std::to_string(questions) + ", ";
    }
    EXPECT_EQ(followUps, c.followUps) << c.what;
    std::vector<std::string> printers;
    for (const auto& printer : dnssd.Printers())
      printers.push_back(FormatIpv4(printer.address) + " " + printer.name);
    EXPECT_EQ(printers, c.printers) << c.what;
  }
}
}  // namespace
}  // namespace jobhost::devprobe
