#include "dnssd/mdns_resolve.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dnssd/dns_test_messages.h"
#include "network/fake_network.h"

namespace jobhost::dnssd {
namespace {

using namespace testing_messages;
using network::FormatIpv4;
using network::Ipv4Endpoint;
namespace testing = network::testing;

TEST(MdnsResolve, AsksSrvThenTheAddressOnTheAnsweringLinkWithinTheTimeOut) {
  const std::string instance = "\x0cOffice Laser" + kService;
  const std::string srvOnly = One(instance, DnsType::kSrv, kPort631 + kHost);
  const std::string addresses = Header({0, 2, 0, 0}) + Record(kHost, DnsType::kA, kIpv4) +
                                Record(kHost, DnsType::kAaaa, kIpv6);
  const std::string elsewhere = One(kHost, DnsType::kA, "\x0a\0\0\x05"s);
  const struct {
    MdnsNameKind kind;
    std::vector<std::pair<int, std::string>> answers;  // ms after the start
    std::string address;                               // empty: none
    std::vector<int> sendTimes;
  } cases[] = {
      {MdnsNameKind::kInstance, {{30, srvOnly}, {60, addresses}}, "192.168.1.20", {0, 30}},
      {MdnsNameKind::kHost, {{30, addresses}}, "192.168.1.20", {0}},
      {MdnsNameKind::kHost, {{30, elsewhere}}, "", {0, 1000}},
      {MdnsNameKind::kHost, {}, "", {0, 1000}},
  };
  for (const auto& c : cases) {
    testing::FakeClock clock;
    testing::FakeNetwork network;
    network.AddIpv4Interface(2, Ipv4Endpoint(192, 168, 1, 2, 0));
    testing::FakeChannel channel(clock);
    for (const auto& [atMs, answer] : c.answers) {
      channel.arrivals.push_back({clock.now + atMs, Ipv4Endpoint(192, 168, 1, 20, 5353),
                                  testing::Datagram(answer.begin(), answer.end())});
    }
    network.channel = &channel;
    const std::int64_t start = clock.now;
    const DnsName name = c.kind == MdnsNameKind::kHost
                             ? DnsName{"host", "local"}
                             : DnsName{"Office Laser", "_ipp", "_tcp", "local"};
    const auto address = ResolveMdnsName(network, clock, name, c.kind, 2000, 0x1234);
    EXPECT_EQ(address ? FormatIpv4(*address) : "", c.address) << c.answers.size();
    std::vector<int> times;
    for (const auto& datagram : channel.sent) {
      times.push_back(static_cast<int>(datagram.atMs - start));
      EXPECT_EQ(FormatIpv4(datagram.to) + ":" + std::to_string(datagram.to.scopeId),
                "224.0.0.251:2");
    }
    EXPECT_EQ(times, c.sendTimes) << c.answers.size();
    if (!address) {
      EXPECT_EQ(clock.now - start, 2000) << "nobody answered: the whole wait";
    }
  }
}
}  // namespace
}  // namespace jobhost::dnssd
