// The wait for answers, on a scripted socket and clock.

#include "collect_agents.h"

#include <gtest/gtest.h>

#include "collect_with_snmp.h"
#include "dnssd_browse.h"
#include "network/fake_network.h"
#include "search_memory.h"
#include "test_messages.h"

namespace jobhost::devprobe {
namespace {

using namespace testing_messages;
using network::testing::FakeChannel;
using network::testing::FakeClock;
using testing_collect::CollectWithSnmp;

constexpr std::int32_t kV2cId = 501;
constexpr std::int32_t kV1Id = 502;

struct Reported {
  std::string address;
  std::string name;
  bool operator==(const Reported&) const = default;
};

class CollectAgentsTest : public ::testing::Test {
 protected:
  int Collect(const CollectPlan& plan, DnsSdBrowse* dnssd = nullptr, FakeChannel* on = nullptr) {
    return CollectWithSnmp(on ? *on : channel, clock, probe, plan, reportOnce, {dnssd}, &failure);
  }
  void Arrive(std::int64_t afterMs, const Endpoint& from, Bytes datagram) {
    channel.arrivals.push_back({start + afterMs, from, std::move(datagram)});
  }
  Bytes Answer(const char* name, std::int32_t id = kV2cId, std::int64_t version = 1) {
    return SysNameAnswer(version, id, EncodeOctetString(name));
  }

  FakeClock clock;
  const std::int64_t start = clock.now;
  FakeChannel channel{clock};
  SysNameProbe probe{"public", kV2cId, kV1Id};
  std::vector<Reported> reports;
  SearchMemory memory;
  SearchFailure failure = SearchFailure::kNone;
  const AgentReport reportOnce = [this](const Endpoint& agent, const std::string& name) {
    if (!memory.Claim(agent)) return false;
    reports.push_back({FormatIpv4(agent), name});
    return true;
  };
  const Endpoint target = Ipv4Endpoint(192, 0, 2, 7, 161);
  const Endpoint other = Ipv4Endpoint(192, 0, 2, 8, 161);
};

TEST_F(CollectAgentsTest, OneHostEndsTheWaitAtItsFirstAnswer) {
  Arrive(40, target, Answer("prn"));
  Arrive(50, target, Answer("prn", kV1Id, 0));
  EXPECT_EQ(Collect({{target}, true, 3000, 1, {}, 1}), 1);
  EXPECT_EQ(reports, (std::vector<Reported>{{"192.0.2.7", "prn"}}));
  EXPECT_EQ(clock.now - start, 40);
  ASSERT_EQ(channel.sent.size(), 2u) << "a v2c and a v1 request";
}

TEST_F(CollectAgentsTest, OneHostIgnoresWhatItShouldNotTrust) {
  Endpoint otherPort = target;
  otherPort.port = 162;
  Arrive(10, other, Answer("intruder"));
  Arrive(20, otherPort, Answer("intruder"));
  Arrive(30, target, Answer("stale", kV2cId + 7));
  Arrive(40, target, Of({0x30, 0x03, 0x02, 0x01}));
  Arrive(50, target, Answer("prn", kV1Id, 0));
  EXPECT_EQ(Collect({{target}, true, 3000, 1, {}, 1}), 1);
  EXPECT_EQ(reports, (std::vector<Reported>{{"192.0.2.7", "prn"}}));
  EXPECT_EQ(clock.now - start, 50);
}

TEST_F(CollectAgentsTest, SilenceReturnsNothingAtTheTimeOut) {
  Arrive(3500, target, Answer("late"));
  EXPECT_EQ(Collect({{target}, true, 3000, 1, {}, 1}), 0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(clock.now - start, 3000);
}

TEST_F(CollectAgentsTest, BroadcastCollectsEveryAgentOnceUntilTheTimeOut) {
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  Arrive(10, target, Answer("a"));
  Arrive(20, other, Answer("b"));
  Arrive(30, target, Answer("a", kV1Id, 0));
  EXPECT_EQ(Collect({{all}, false, 2000, 1, {}, 1}), 2);
  EXPECT_EQ(reports, (std::vector<Reported>{{"192.0.2.7", "a"}, {"192.0.2.8", "b"}}));
  EXPECT_EQ(clock.now - start, 2000);
}

TEST_F(CollectAgentsTest, DnsSdNamesNamelessAgentsAndAddsItsOwnPrintersAtTheEnd) {
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  const auto at = [](int host, std::uint16_t port) { return Ipv4Endpoint(192, 0, 2, host, port); };
  const Endpoint group = Ipv4Endpoint(224, 0, 0, 251, 5353);
  DnsSdBrowse dnssd(AddressFamily::kIpv4, {{2, at(1, 0), 24, {}, true}}, {group}, false, 161, 77);
  Arrive(10, target, Answer(""));
  Arrive(20, other, Answer("snmp-name"));
  Arrive(30, at(7, 5353), DnsSdAnswer(77, "Office", "seven", Of({192, 0, 2, 7})));
  Arrive(40, at(8, 5353), DnsSdAnswer(77, "Other name", "eight", Of({192, 0, 2, 8})));
  Arrive(50, at(9, 5353), DnsSdAnswer(77, "Nine", "nine"));
  Arrive(60, at(9, 5353), DnsSdAnswer(77, "Nine", "nine", Of({192, 0, 2, 9})));
  Arrive(70, at(10, 5353), DnsSdAnswer(77, "Elsewhere", "ten", Of({198, 51, 100, 10})));
  Arrive(80, at(11, 5353), DnsSdAnswer(78, "Not asked", "eleven", Of({192, 0, 2, 11})));
  Arrive(90, at(12, 5353),
         DnsSdAnswer(77, "Twelve", "twelve",
                     Of({0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1})));
  EXPECT_EQ(Collect({{all}, false, 2000, 2, {}, 1}, &dnssd), 3);
  EXPECT_EQ(reports,
            (std::vector<Reported>{
                {"192.0.2.8", "snmp-name"}, {"192.0.2.7", "Office"}, {"192.0.2.9", "Nine"}}));
  EXPECT_EQ(clock.now - start, 2000);
  std::string sent;
  for (const auto& datagram : channel.sent) {
    sent += std::to_string(datagram.atMs - start) + " " + FormatIpv4(datagram.to) + ", ";
  }
  // The questions go with the requests; an instance without a usable address
  // is asked of its responder at once, and only once.
  EXPECT_EQ(sent,
            "0 255.255.255.255, 0 255.255.255.255, 0 224.0.0.251, 50 192.0.2.9, 70 192.0.2.10, "
            "90 192.0.2.12, 1000 255.255.255.255, 1000 255.255.255.255, 1000 224.0.0.251, ");
}

TEST_F(CollectAgentsTest, AProtocolNotInTheListNeitherSendsNorTakesAnything) {
  DnsSdBrowse dnssd(AddressFamily::kIpv4, {{2, Ipv4Endpoint(192, 0, 2, 1, 0), 24, {}, true}},
                    {Ipv4Endpoint(224, 0, 0, 251, 5353)}, false, 161, 77);
  Arrive(10, other, Answer("snmp-name"));
  Arrive(20, Ipv4Endpoint(192, 0, 2, 7, 5353),
         DnsSdAnswer(77, "Office", "seven", Of({192, 0, 2, 7})));
  BrowseProtocol* const onlyDnsSd[] = {&dnssd};
  EXPECT_EQ(CollectAgents(channel, clock, {{target}, false, 1000, 1, {}, 1}, onlyDnsSd, reportOnce),
            1);
  EXPECT_EQ(reports, (std::vector<Reported>{{"192.0.2.7", "Office"}}));
  ASSERT_EQ(channel.sent.size(), 1u);
  EXPECT_EQ(FormatIpv4(channel.sent[0].to), "224.0.0.251");
}

TEST_F(CollectAgentsTest, AtMost256AgentsWaitForANameAndTheRestAreReportedAtOnce) {
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  DnsSdBrowse dnssd(AddressFamily::kIpv4, {}, {Ipv4Endpoint(224, 0, 0, 251, 5353)}, false, 161, 7);
  for (int i = 0; i < 300; ++i)
    Arrive(10, Ipv4Endpoint(10, 0, i / 200, i % 200 + 1, 161), Answer(""));
  std::vector<std::int64_t> times;
  const auto report = [&](const Endpoint&, const std::string&) {
    times.push_back(clock.now - start);
    return true;
  };
  EXPECT_EQ(
      CollectWithSnmp(channel, clock, probe, {{all}, false, 2000, 1, {}, 1}, report, {&dnssd}),
      300);
  EXPECT_EQ(std::ranges::count(times, 10), 300 - 256);
  EXPECT_EQ(std::ranges::count(times, 2000), 256);
}

TEST_F(CollectAgentsTest, OneHostTakesTheDnsSdNameThatCameBeforeOrReportsItAtTheTimeOut) {
  const Endpoint direct = Ipv4Endpoint(192, 0, 2, 7, 5353);
  for (const bool snmpAnswers : {true, false}) {
    FakeChannel host(clock);
    const std::int64_t begin = clock.now;
    DnsSdBrowse dnssd(AddressFamily::kIpv4, {}, {direct}, true, 161, 5);
    host.arrivals = {{begin + 5, other, DnsSdAnswer(5, "Wrong host")},
                     {begin + 10, direct, DnsSdAnswer(5, "Front Desk")}};
    if (snmpAnswers) host.arrivals.push_back({begin + 20, target, Answer("")});
    std::vector<Reported> heard;
    const auto report = [&](const Endpoint& agent, const std::string& name) {
      heard.push_back({FormatIpv4(agent), name});
      return true;
    };
    EXPECT_EQ(
        CollectWithSnmp(host, clock, probe, {{target}, true, 3000, 1, {}, 1}, report, {&dnssd}), 1);
    EXPECT_EQ(heard, (std::vector<Reported>{{"192.0.2.7", "Front Desk"}})) << snmpAnswers;
    EXPECT_EQ(clock.now - begin, snmpAnswers ? 20 : 3000) << snmpAnswers;
  }
}

TEST_F(CollectAgentsTest, RequestsAreResentEvenlyWithinTheTimeOut) {
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  EXPECT_EQ(Collect({{all, target}, false, 6000, 3, {}, 1}), 0);
  std::vector<std::int64_t> times;
  for (const auto& sent : channel.sent) times.push_back(sent.atMs - start);
  // Two requests to two destinations, three times.
  EXPECT_EQ(times, (std::vector<std::int64_t>{0, 0, 0, 0, 2000, 2000, 2000, 2000, 4000, 4000, 4000,
                                              4000}));
  EXPECT_EQ(clock.now - start, 6000);
}

TEST_F(CollectAgentsTest, FailuresEndTheSearch) {
  channel.sendsSucceed = false;
  EXPECT_EQ(Collect({{target}, true, 3000, 1, {}, 1}), -1);
  EXPECT_EQ(failure, SearchFailure::kNothingSent);
  EXPECT_EQ(clock.now, start) << "no wait when nothing could be sent";

  FakeChannel broken(clock);
  broken.failWhenIdle = true;
  EXPECT_EQ(Collect({{target}, true, 3000, 1, {}, 1}, nullptr, &broken), -1);
  EXPECT_EQ(failure, SearchFailure::kSocketFailed);
  EXPECT_EQ(Collect({{}, true, 3000, 1, {}, 1}), -1) << "no destination";
  EXPECT_EQ(failure, SearchFailure::kNoPlan);

  // What was found before the socket failed is still reported.
  FakeChannel failing(clock);
  failing.failWhenIdle = true;
  failing.arrivals = {{clock.now + 10, Ipv4Endpoint(192, 0, 2, 7, 5353),
                       DnsSdAnswer(77, "Office", "seven", Of({192, 0, 2, 7}))}};
  DnsSdBrowse dnssd(AddressFamily::kIpv4, {{2, Ipv4Endpoint(192, 0, 2, 1, 0), 24, {}, true}},
                    {Ipv4Endpoint(224, 0, 0, 251, 5353)}, false, 161, 77);
  EXPECT_EQ(
      Collect({{Ipv4Endpoint(255, 255, 255, 255, 161)}, false, 3000, 1, {}, 1}, &dnssd, &failing),
      1);
  EXPECT_EQ(reports, (std::vector<Reported>{{"192.0.2.7", "Office"}}));
}

TEST_F(CollectAgentsTest, ANegativeTimeOutSendsOnceAndDoesNotWait) {
  EXPECT_EQ(Collect({{target}, true, -5, 1, {}, 1}), 0);
  EXPECT_EQ(channel.sent.size(), 2u);
  EXPECT_TRUE(channel.waits.empty());
}

TEST_F(CollectAgentsTest, TheSweepIsPacedFromTheStartAndItsHostsCount) {
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  Arrive(35, other, Answer("swept"));
  Arrive(36, Ipv4Endpoint(203, 0, 113, 4, 161), Answer("stale", kV2cId + 1));
  EXPECT_EQ(Collect({{all}, false, 2000, 1, {{0xC0000207, 0xC0000209}}, 100}), 1);
  EXPECT_EQ(reports, (std::vector<Reported>{{"192.0.2.8", "swept"}}));
  std::vector<std::pair<std::int64_t, std::string>> sweep;
  for (const auto& sent : channel.sent) {
    if (!sent.to.SameAddress(all)) sweep.emplace_back(sent.atMs - start, FormatIpv4(sent.to));
  }
  // Two requests per host, one every 10 ms at 100 per second.
  EXPECT_EQ(sweep, (std::vector<std::pair<std::int64_t, std::string>>{{0, "192.0.2.7"},
                                                                      {10, "192.0.2.7"},
                                                                      {20, "192.0.2.8"},
                                                                      {30, "192.0.2.8"},
                                                                      {40, "192.0.2.9"},
                                                                      {50, "192.0.2.9"}}));
  EXPECT_EQ(clock.now - start, 2000);
}

TEST_F(CollectAgentsTest, WhatTheTimeOutLeavesNoRoomForIsNotSent) {
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  const std::vector<Ipv4HostRun> hosts = {{0x0A000001, 0x0A000064}};
  EXPECT_EQ(Collect({{all}, false, 1000, 1, hosts, 10}), 0);
  EXPECT_EQ(channel.sent.size(), 2u + 10u) << "the broadcast, then one every 100 ms";
  EXPECT_EQ(channel.sent.back().atMs - start, 900);
  EXPECT_EQ(clock.now - start, 1000);

  // A sweep whose every send fails has sent nothing: the call failed.
  FakeChannel refusing(clock);
  refusing.sendsSucceed = false;
  EXPECT_EQ(CollectWithSnmp(refusing, clock, probe, {{all}, false, 300, 1, hosts, 10},
                            [](const Endpoint&, const std::string&) { return true; }),
            -1);
}

TEST_F(CollectAgentsTest, TheSweepStopsAtTheDeadlineWhenSendingCostsMoreThanThePace) {
  // Each send takes 1 ms; at a million a second, a thousand are due at once.
  struct SlowChannel : FakeChannel {
    explicit SlowChannel(FakeClock& time) : FakeChannel(time), time_(time) {}
    bool Send(const Endpoint& to, std::span<const std::uint8_t> datagram) override {
      const bool done = FakeChannel::Send(to, datagram);
      time_.now += 1;
      return done;
    }
    FakeClock& time_;
  } slow(clock);
  const std::vector<Ipv4HostRun> hosts = {{0xC0000208, 0xC0000208 + 4999}};
  EXPECT_EQ(CollectWithSnmp(slow, clock, probe, {{target}, false, 100, 1, hosts, 1000000},
                            [](const Endpoint&, const std::string&) { return true; }),
            0);
  EXPECT_EQ(clock.now - start, 100);
  ASSERT_EQ(slow.sent.size(), 100u);
  EXPECT_EQ(slow.sent.back().atMs - start, 99);
}

TEST_F(CollectAgentsTest, AgentsTheSearchReportedBeforeAreNeitherReportedNorCounted) {
  memory.Claim(target);
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  Arrive(10, target, Answer("again"));
  Arrive(20, other, Answer("new"));
  EXPECT_EQ(Collect({{all}, false, 1000, 1, {}, 1}), 1);
  EXPECT_EQ(reports, (std::vector<Reported>{{"192.0.2.8", "new"}}));
}

}  // namespace
}  // namespace jobhost::devprobe
