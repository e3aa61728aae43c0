// Where a find call sends its requests, and what its search parameter means.

#include <gtest/gtest.h>

#include <algorithm>

#include "find_agents.h"
#include "network/fake_network.h"

namespace jobhost::devprobe {
namespace {

using network::testing::FakeNetwork;
using network::testing::Ipv6Endpoint;

class PlanSearchTest : public ::testing::Test {
 protected:
  PlanSearchTest() {
    network.hosts["192.0.2.7"] = Ipv4Endpoint(192, 0, 2, 7, 0);
    network.hosts["printer.example"] = Ipv4Endpoint(192, 0, 2, 9, 0);
    network.hosts["255.255.255.255"] = Ipv4Endpoint(255, 255, 255, 255, 0);
    network.hosts["ff02::1"] = allNodes;
    network.hosts["ff02::1%3"] =
        Ipv6Endpoint({0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 0, 3);
    network.hosts["2001:db8::5"] =
        Ipv6Endpoint({0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5});
    network.AddIpv4Interface(2, Ipv4Endpoint(10, 1, 255, 7, 0));
    network.AddIpv4Interface(3, Ipv4Endpoint(192, 168, 7, 1, 0));
    network.AddIpv4Interface(4, Ipv4Endpoint(10, 1, 255, 8, 0));
    network.multicastInterfaces = {2, 5};
  }

  std::optional<CollectPlan> Plan(AddressFamily family, bool broadcast, std::string target) {
    FindRequest request;
    request.family = family;
    request.broadcast = broadcast;
    request.target = std::move(target);
    request.timeoutMs = 3000;
    request.options.port = 1161;
    return PlanSearch(network, request);
  }

  FakeNetwork network;
  const Endpoint allNodes = Ipv6Endpoint({0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
};

TEST_F(PlanSearchTest, OneHostIsAskedAloneOnTheOptionsPort) {
  const struct {
    AddressFamily family;
    const char* target;
    Endpoint expected;
  } cases[] = {
      {AddressFamily::kIpv4, "192.0.2.7", Ipv4Endpoint(192, 0, 2, 7, 1161)},
      {AddressFamily::kIpv4, "printer.example", Ipv4Endpoint(192, 0, 2, 9, 1161)},
      {AddressFamily::kIpv6, "2001:db8::5",
       Ipv6Endpoint({0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}, 1161)},
      {AddressFamily::kIpv6, "[2001:db8::5]",
       Ipv6Endpoint({0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}, 1161)},
  };
  for (const auto& c : cases) {
    const auto plan = Plan(c.family, false, c.target);
    ASSERT_TRUE(plan) << c.target;
    EXPECT_TRUE(plan->oneHost) << c.target;
    ASSERT_EQ(plan->destinations.size(), 1u) << c.target;
    EXPECT_TRUE(plan->destinations[0].SameAddress(c.expected)) << c.target;
    EXPECT_EQ(plan->destinations[0].port, 1161) << c.target;
  }
}

TEST_F(PlanSearchTest, LimitedBroadcastLeavesThroughEveryInterfaceWithItsBroadcastOnce) {
  for (const char* target : {"255.255.255.255", ""}) {
    const auto plan = Plan(AddressFamily::kIpv4, true, target);
    ASSERT_TRUE(plan) << target;
    EXPECT_FALSE(plan->oneHost);
    std::vector<std::string> texts;
    for (const Endpoint& destination : plan->destinations) {
      texts.push_back(FormatIpv4(destination) + "%" + std::to_string(destination.scopeId));
      EXPECT_EQ(destination.port, 1161);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"255.255.255.255%2", "10.1.255.255%0", "255.255.255.255%3",
                                        "192.168.7.255%0", "255.255.255.255%4"}));
  }
  network.ipv4Interfaces.clear();
  const auto alone = Plan(AddressFamily::kIpv4, true, "");
  ASSERT_TRUE(alone && alone->destinations.size() == 1) << "without interfaces";
  EXPECT_EQ(alone->destinations[0].scopeId, 0u);
}

TEST_F(PlanSearchTest, AGivenBroadcastTargetIsAskedAsItIs) {
  network.hosts["192.0.2.255"] = Ipv4Endpoint(192, 0, 2, 255, 0);
  const auto plan = Plan(AddressFamily::kIpv4, true, "192.0.2.255");
  ASSERT_TRUE(plan);
  ASSERT_EQ(plan->destinations.size(), 1u);
  EXPECT_EQ(FormatIpv4(plan->destinations[0]), "192.0.2.255");
}

TEST_F(PlanSearchTest, AllNodesGroupGoesOutOnEveryMulticastInterface) {
  for (const char* target : {"", "ff02::1"}) {
    const auto plan = Plan(AddressFamily::kIpv6, true, target);
    ASSERT_TRUE(plan) << target;
    ASSERT_EQ(plan->destinations.size(), 2u) << target;
    EXPECT_TRUE(plan->destinations[0].SameAddress(allNodes));
    EXPECT_EQ(plan->destinations[0].scopeId, 2u);
    EXPECT_EQ(plan->destinations[1].scopeId, 5u);
  }
  const auto scoped = Plan(AddressFamily::kIpv6, true, "ff02::1%3");
  ASSERT_TRUE(scoped);
  ASSERT_EQ(scoped->destinations.size(), 1u) << "the named interface only";
  EXPECT_EQ(scoped->destinations[0].scopeId, 3u);

  network.multicastInterfaces.clear();
  const auto anyInterface = Plan(AddressFamily::kIpv6, true, "");
  ASSERT_TRUE(anyInterface);
  ASSERT_EQ(anyInterface->destinations.size(), 1u) << "the system chooses";
}

TEST_F(PlanSearchTest, UnusableTargetsMakeNoPlan) {
  EXPECT_FALSE(Plan(AddressFamily::kIpv4, false, "")) << "one host must be named";
  EXPECT_FALSE(Plan(AddressFamily::kIpv6, false, "")) << "one host must be named";
  EXPECT_FALSE(Plan(AddressFamily::kIpv4, false, "no-such-host"));
  EXPECT_FALSE(Plan(AddressFamily::kIpv4, false, "2001:db8::5")) << "wrong family";
}

TEST_F(PlanSearchTest, BroadcastsSweepTheRangesAndTheSlash24OfADotTwoFiftyFiveTarget) {
  network.hosts["192.0.2.255"] = Ipv4Endpoint(192, 0, 2, 255, 0);
  const struct {
    AddressFamily family;
    bool broadcast;
    const char* target;
    std::vector<Ipv4Range> ranges;
    std::size_t hosts;
    const char* first;
    const char* last;
  } cases[] = {
      {AddressFamily::kIpv4, true, "192.0.2.255", {}, 254, "192.0.2.1", "192.0.2.254"},
      {AddressFamily::kIpv4, true, "255.255.255.255", {}, 0, "", ""},
      {AddressFamily::kIpv4, true, "", {{0xC6336400, 30}}, 2, "198.51.100.1", "198.51.100.2"},
      {AddressFamily::kIpv4,
       true,
       "192.0.2.255",
       {{0xC0000200, 25}},
       254,
       "192.0.2.1",
       "192.0.2.254"},
      {AddressFamily::kIpv4,
       true,
       "192.0.2.255",
       {{0xC6336409, 32}},
       255,
       "192.0.2.1",
       "198.51.100.9"},
      {AddressFamily::kIpv4, false, "192.0.2.7", {{0xC6336400, 30}}, 0, "", ""},
      {AddressFamily::kIpv6, true, "", {{0xC6336400, 30}}, 0, "", ""},
  };
  for (const auto& c : cases) {
    FindRequest request;
    request.family = c.family;
    request.broadcast = c.broadcast;
    request.target = c.target;
    request.options.port = 1161;
    request.options.ranges = c.ranges;
    request.options.sweepRate = 50;
    const auto plan = PlanSearch(network, request);
    ASSERT_TRUE(plan) << c.target;
    EXPECT_EQ(plan->sweepRate, 50);
    EXPECT_EQ(plan->sweepPort, 1161);
    ASSERT_EQ(CountHosts(plan->sweep), c.hosts) << c.target;
    if (c.hosts == 0) continue;
    EXPECT_EQ(FormatIpv4(network::Ipv4EndpointOfBits(plan->sweep.front().first, 0)), c.first);
    EXPECT_EQ(FormatIpv4(network::Ipv4EndpointOfBits(plan->sweep.back().last, 0)), c.last);
  }
}

TEST(FindAgents, TheTimeOutCountsFromTheCallsStartPlanningIncluded) {
  network::testing::FakeClock clock;
  // Every look at the interfaces costs 30 ms.
  struct SlowNetwork : FakeNetwork {
    std::vector<Ipv4Interface> Ipv4Interfaces() override {
      clock->now += 30;
      return FakeNetwork::Ipv4Interfaces();
    }
    network::testing::FakeClock* clock = nullptr;
  } network;
  network.clock = &clock;
  network.hosts["255.255.255.255"] = Ipv4Endpoint(255, 255, 255, 255, 0);
  network.AddIpv4Interface(2, Ipv4Endpoint(10, 2, 0, 7, 0));
  network::testing::FakeChannel channel(clock);
  network.channel = &channel;
  FindRequest request;
  request.broadcast = true;
  request.timeoutMs = 150;
  request.options.ranges = {{0x0A020000, 16}};
  request.options.sweepRate = 1000;
  const SysNameProbe probe("public", 1, 2);
  const std::int64_t start = clock.now;
  EXPECT_EQ(FindAgents(network, clock, probe, request,
                       [](const Endpoint&, const std::string&) { return true; }),
            0);
  EXPECT_EQ(clock.now - start, 150);
  ASSERT_FALSE(channel.sent.empty());
  EXPECT_LT(channel.sent.back().atMs - start, 150);
  const auto swept = std::ranges::count_if(channel.sent, [](const auto& sent) {
    return sent.to.address[0] == 10 && sent.to.address[3] != 255;
  });
  EXPECT_EQ(swept, 150) << "paced from the call's start";
}

TEST_F(PlanSearchTest, ASearchThatCannotBeMadeSaysWhy) {
  const struct {
    const char* target;
    bool channel;
    bool sends;
    SearchFailure expected;
  } cases[] = {
      {"no-such-host", true, true, SearchFailure::kNoPlan},
      {"192.0.2.7", false, true, SearchFailure::kNoSocket},
      {"192.0.2.7", true, false, SearchFailure::kNothingSent},
  };
  network::testing::FakeClock clock;
  const SysNameProbe probe("public", 1, 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    network::testing::FakeChannel channel(clock);
    channel.sendsSucceed = c.sends;
    network.channel = c.channel ? &channel : nullptr;
    FindRequest request;
    request.target = c.target;
    request.options.dnssd = false;
    request.options.wsd = false;
    SearchFailure failure = SearchFailure::kNone;
    EXPECT_EQ(FindAgents(
                  network, clock, probe, request,
                  [](const Endpoint&, const std::string&) { return true; }, nullptr, &failure),
              -1);
    EXPECT_EQ(failure, c.expected);
  }
}

}  // namespace
}  // namespace jobhost::devprobe
