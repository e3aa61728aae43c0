// The WS-Discovery side of a find call on a scripted network, clock and HTTP.

#include "wsd_browse.h"

#include <gtest/gtest.h>

#include <map>

#include "collect_with_snmp.h"
#include "dnssd_browse.h"
#include "network/fake_network.h"
#include "search_memory.h"
#include "test_messages.h"
#include "wsd/wsd_documents.h"

namespace jobhost::devprobe {
namespace {

using namespace wsd::testing;
using network::testing::FakeChannel;
using network::testing::FakeClock;
using network::testing::FakeNetwork;

// Every POST takes replyMs and answers with the page of its target
// ("host:port/path"), failing where there is none.
struct FakePoster : wsd::HttpPoster {
  FakePoster(FakeClock& on, int takes = 5) : clock(&on), replyMs(takes) {}
  struct Post {
    int id;
    std::string target, body;
    int timeoutMs;
    std::int64_t startedAt;
  };
  bool Start(int id, const wsd::HttpTarget& to, const std::string& body, int timeoutMs) override {
    const std::string target = to.host + ":" + std::to_string(to.port) + to.path;
    posts.push_back({id, target, body, timeoutMs, clock->now});
    running.push_back(posts.size() - 1);
    mostRunning = std::max(mostRunning, Running());
    return true;
  }
  std::vector<wsd::HttpReply> Wait(int timeoutMs) override {
    const Post* post = running.empty() ? nullptr : &posts[running.front()];
    if (!post || post->startedAt + replyMs > clock->now + timeoutMs) {
      clock->now += timeoutMs;
      return {};
    }
    clock->now = std::max(clock->now, post->startedAt + replyMs);
    running.erase(running.begin());
    const auto page = pages.find(post->target);
    return {{post->id, page != pages.end(), page != pages.end() ? page->second : ""}};
  }
  int Running() const override { return static_cast<int>(running.size()); }

  FakeClock* clock;
  int replyMs;
  std::map<std::string, std::string> pages;
  std::vector<Post> posts;
  std::vector<std::size_t> running;
  int mostRunning = 0;
};

class WsdBrowseTest : public ::testing::Test {
 protected:
  WsdBrowseTest() {
    network.AddIpv4Interface(2, Ipv4Endpoint(192, 168, 1, 2, 0));
    network.AddIpv4Interface(3, Ipv4Endpoint(10, 0, 0, 2, 0));
    for (std::uint8_t host = 10; host < 50; ++host) Literal(Ipv4Endpoint(192, 168, 1, host, 0));
    Literal(Ipv4Endpoint(10, 0, 0, 5, 0));
    for (const Endpoint& never :
         {Ipv4Endpoint(192, 168, 1, 0, 0), Ipv4Endpoint(192, 168, 1, 255, 0),
          Ipv4Endpoint(127, 0, 0, 1, 0)}) {
      Literal(never);
    }
  }
  void Literal(const Endpoint& address) { network.hosts[FormatIpv4(address)] = address; }
  // A browse of the group (or of one host) that has sent two Probes.
  WsdBrowse Probed(std::optional<Endpoint> asked = std::nullopt) {
    ids = 0;
    WsdBrowse browse(
        network, AddressFamily::kIpv4,
        asked ? std::vector{*asked} : WsdGroupOnInterfaces(network, AddressFamily::kIpv4),
        asked.has_value(), 161, &http, [this] { return "urn:uuid:" + std::to_string(++ids); });
    browse.SendRound(channel);
    browse.SendRound(channel);
    return browse;
  }
  bool Answer(WsdBrowse& browse, const Endpoint& from, const std::string& document) {
    return browse
        .Take(channel, from,
              {reinterpret_cast<const std::uint8_t*>(document.data()), document.size()})
        .claimed;
  }
  // Polls until every Get has ended or the deadline has come.
  void Name(WsdBrowse& browse, std::int64_t deadline) {
    while (browse.Naming() && clock.now < deadline) browse.Poll(clock, deadline, kWsdPollMs);
  }
  static std::string Shown(const WsdBrowse& browse) {
    std::string shown;
    for (const FoundPrinter& found : browse.Printers())
      shown += FormatIpv4(found.address) + "=" + found.name + " ";
    return shown;
  }
  std::string Sent(std::size_t i) const {
    return {channel.sent.at(i).datagram.begin(), channel.sent.at(i).datagram.end()};
  }

  FakeClock clock;
  FakeChannel channel{clock};
  FakeNetwork network;
  FakePoster http{clock};
  int ids = 0;
  const Endpoint printer = Ipv4Endpoint(192, 168, 1, 20, 3702);
};

TEST_F(WsdBrowseTest, TakesOnlyPrintersAnsweringItsProbesFromTheLinkAtTheAddressTheyName) {
  const std::string xaddr = "http://192.168.1.21:5357/p";
  const Endpoint offLink = Ipv4Endpoint(172, 16, 0, 5, 3702);
  const Endpoint host = Ipv4Endpoint(192, 0, 2, 7, 3702);
  const struct {
    Endpoint from;
    std::string id, xaddrs;
    std::string shown, get;                        // the printers, and the Get's host:port/path
    std::optional<Endpoint> asked = std::nullopt;  // one host
    std::string types = "p:PrintDeviceType";
    bool answers = true;
  } cases[] = {
      {printer, "1", xaddr, "192.168.1.21= ", "192.168.1.21:5357/p"},
      {printer, "2", xaddr, "192.168.1.21= ", "192.168.1.21:5357/p"},
      {printer, "9", xaddr, "", ""},
      {offLink, "1", xaddr, "", ""},
      {printer, "1", xaddr, "", "", std::nullopt, "dp:Device"},
      // The first http address is on another link, or a name: where it answered from.
      {printer, "1", "http://10.0.0.5/p http://192.168.1.21/",
       "192.168.1.20= ", "192.168.1.20:80/p"},
      {printer, "1", "http://u@printer.local:81#f", "192.168.1.20= ", "192.168.1.20:81/"},
      // Addresses no printer has, named or answering: never asked.
      {printer, "1", "http://192.168.1.255/p", "192.168.1.20= ", "192.168.1.20:80/p"},
      {printer, "1", "http://192.168.1.0/p", "192.168.1.20= ", "192.168.1.20:80/p"},
      {printer, "1", "http://127.0.0.1:8631/p", "192.168.1.20= ", "192.168.1.20:8631/p"},
      {Ipv4Endpoint(192, 168, 1, 255, 3702), "1", xaddr, "", "", {}, "p:PrintDeviceType", false},
      {Ipv4Endpoint(192, 168, 1, 0, 3702), "1", xaddr, "", "", {}, "p:PrintDeviceType", false},
      // Nothing to ask: a letter no URL holds, no port, https only.
      {printer, "1", "http://192.168.1.21/\xc3\xa9", "192.168.1.21= ", ""},
      {printer, "1", "http://192.168.1.21:65536/", "192.168.1.21= ", ""},
      {printer, "1", "https://192.168.1.21/p", "192.168.1.20= ", ""},
      // One host, asked directly wherever it is: only its answer, at its address.
      {offLink, "1", xaddr, "", "", host},
      {host, "1", xaddr, "192.0.2.7= ", "192.0.2.7:5357/p", host},
      {printer, "1", xaddr, "192.168.1.20= ", "192.168.1.20:5357/p", printer},
  };
  for (const auto& c : cases) {
    http = FakePoster(clock);
    WsdBrowse browse = Probed(c.asked);
    const bool answers = c.answers && c.id != "9" && c.from != offLink;
    const std::string answer = Matches("urn:uuid:" + c.id, Match("urn:e", c.xaddrs, c.types));
    EXPECT_EQ(Answer(browse, c.from, answer), answers) << c.xaddrs;
    EXPECT_EQ(Shown(browse), c.shown) << c.xaddrs;
    browse.Poll(clock, clock.now + 1000, 0);
    EXPECT_EQ(http.posts.empty() ? "" : http.posts[0].target, c.get) << c.xaddrs;
  }
}

// An IPv6 address group0:group1::last, with a scope.
Endpoint Six(std::uint16_t group0, std::uint16_t group1, std::uint8_t last, std::uint32_t scope = 0,
             std::uint16_t port = kWsdPort) {
  Endpoint six;
  six.family = AddressFamily::kIpv6;
  six.address = {static_cast<std::uint8_t>(group0 >> 8), static_cast<std::uint8_t>(group0),
                 static_cast<std::uint8_t>(group1 >> 8), static_cast<std::uint8_t>(group1)};
  six.address[15] = last;
  six.port = port;
  six.scopeId = scope;
  return six;
}

// Interface 2 holds fe80::2/64 and fd00::2/64, interface 3 2001:db8::2/64.
// Printers answer from link-local addresses as real ones do; the address
// their XAddr names counts when it is on the link they answered on.
TEST_F(WsdBrowseTest, TakesIpv6PrintersFromTheAnsweringInterfacesPrefixesAndLinkLocalWithZone) {
  network.ipv6Prefixes = {
      {2, Six(0xfe80, 0, 2), 64}, {2, Six(0xfd00, 0, 2), 64}, {3, Six(0x2001, 0xdb8, 2), 64}};
  for (const auto& [text, address] :
       std::map<std::string, Endpoint>{{"fd00::50", Six(0xfd00, 0, 0x50, 0, 0)},
                                       {"2001:db8::50", Six(0x2001, 0xdb8, 0x50, 0, 0)},
                                       {"fe80::51", Six(0xfe80, 0, 0x51, 0, 0)},
                                       {"::1", Six(0, 0, 1, 0, 0)}}) {
    network.hosts[text] = address;
  }
  const Endpoint linkLocal = Six(0xfe80, 0, 0x50, 2);
  Endpoint mapped = Six(0, 0, 1);
  mapped.address[10] = mapped.address[11] = 0xFF;
  mapped.address[12] = 127;
  const struct {
    Endpoint from;
    std::string xaddr;
    std::string shown;  // address%scope, or empty when not taken
  } cases[] = {
      {linkLocal, "http://[fd00::50]:5357/p", "fd00::0050%0"},
      {linkLocal, "http://[fe80::51]/p", "fe80::0051%2"},
      {linkLocal, "http://[2001:db8::50]/p", "fe80::0050%2"},  // another interface's
      {linkLocal, "http://[::1]:8631/p", "fe80::0050%2"},
      {Six(0xfd00, 0, 0x60), "http://[fd00::50]/p", "fd00::0050%0"},
      {Six(0xfd01, 0, 0x60), "http://[fd00::50]/p", ""},     // on no link of this host's
      {Six(0xfe80, 0, 0x50, 0), "http://[fd00::50]/p", ""},  // link-local without its zone
      {Six(0, 0, 0), "http://[::1]:8631/p", ""},
      {mapped, "http://[fd00::50]/p", ""},
  };
  for (const auto& c : cases) {
    ids = 0;
    WsdBrowse browse(network, AddressFamily::kIpv6, {}, false, 161, &http,
                     [this] { return "urn:uuid:" + std::to_string(++ids); });
    browse.SendRound(channel);
    Answer(browse, c.from, Matches("urn:uuid:1", Match("urn:e", c.xaddr)));
    std::string shown;
    for (const FoundPrinter& found : browse.Printers())
      shown += FormatIpv6(found.address.address) + "%" + std::to_string(found.address.scopeId);
    EXPECT_EQ(shown, c.shown) << c.xaddr;
  }
}

TEST_F(WsdBrowseTest, ProbesThenResolvesEachOfAtMost256MatchesWithoutAddressesOnceAndNamesIt) {
  WsdBrowse browse = Probed();
  Endpoint group = Ipv4Endpoint(239, 255, 255, 250, kWsdPort);
  group.scopeId = 3;  // the group on each multicast interface, a fresh id each time
  EXPECT_EQ(channel.sent[3].to, group);
  EXPECT_EQ(Sent(3), wsd::ProbeMessage("urn:uuid:2"));
  // 8 printers from each of 40 hosts, twice.
  for (const char* id : {"urn:uuid:1", "urn:uuid:2"}) {
    for (std::uint8_t host = 10; host < 50; ++host) {
      std::string matches;
      for (int i = 0; i < 8; ++i)
        matches += Match("urn:" + std::to_string((host - 10) * 8 + i), "");
      EXPECT_TRUE(Answer(browse, Ipv4Endpoint(192, 168, 1, host, kWsdPort), Matches(id, matches)));
    }
  }
  ASSERT_EQ(channel.sent.size(), 4 + kMaxWsdMatches) << "a Resolve for each match kept";
  EXPECT_EQ(channel.sent[4].to, Ipv4Endpoint(192, 168, 1, 10, kWsdPort));
  EXPECT_EQ(Sent(4), wsd::ResolveMessage("urn:uuid:3", "urn:0"));

  const Endpoint first = Ipv4Endpoint(192, 168, 1, 10, kWsdPort);
  const std::string resolved = Match("urn:0", "http://192.168.1.10:5357/d", "", "Resolve");
  EXPECT_FALSE(Answer(browse, first, Matches("urn:uuid:999", resolved, "Resolve")));
  EXPECT_TRUE(Answer(browse, first, Matches("urn:uuid:3", resolved, "Resolve")));
  const std::string another = Match("urn:1", "http://192.168.1.10:5357/e", "", "Resolve");
  EXPECT_TRUE(Answer(browse, first, Matches("urn:uuid:4", another, "Resolve")));
  http.pages["192.168.1.10:5357/d"] = Metadata(Device("Front Desk"));
  Name(browse, clock.now + 1000);
  ASSERT_EQ(http.posts.size(), 1u) << "all at one address, named once";
  EXPECT_EQ(http.posts[0].body, wsd::GetMessage("urn:uuid:259", "urn:0"));
  EXPECT_TRUE(Shown(browse).starts_with("192.168.1.10=Front Desk 192.168.1.11= "));
  EXPECT_EQ(browse.Printers().size(), kMaxWsdMatches / 8);
}

// What a flood of matches can make a call keep: datagrams of matches from
// hosts (192.168.1.host), with endpoint references and XAddr paths of a size.
TEST_F(WsdBrowseTest, KeepsAtMost8MatchesASourceShortEndpointsAndOneMebibyteInAll) {
  std::vector<std::pair<std::uint8_t, int>> forty;  // one match from each of 40 hosts
  for (std::uint8_t host = 10; host < 50; ++host) forty.emplace_back(host, 1);
  const struct {
    const char* what;
    std::vector<std::pair<std::uint8_t, int>> datagrams;  // (host, matches)
    std::size_t endpointBytes = 8;
    std::size_t pathBytes = 0;  // 0: no XAddrs
    std::size_t kept;
  } cases[] = {
      {"a source's first 8", {{10, 9}}, 8, 0, 8},
      {"... and nothing more from it, but from others", {{10, 9}, {10, 1}, {11, 1}}, 8, 0, 9},
      {"an endpoint reference of 256 bytes", {{10, 1}}, 256, 0, 1},
      {"... of 257 bytes", {{10, 1}}, 257, 0, 0},
      {"1 MiB of XAddrs", forty, 8, 60000, 17},
  };
  for (const auto& c : cases) {
    channel.sent.clear();
    WsdBrowse browse = Probed();
    int next = 0;
    for (const auto& [host, count] : c.datagrams) {
      const std::string address = "192.168.1." + std::to_string(host);
      const std::string xaddr =
          c.pathBytes ? "http://" + address + "/" + std::string(c.pathBytes, 'p') : "";
      std::string matches;
      for (int i = 0; i < count; ++i, ++next) {
        const std::string id = std::to_string(next);
        matches += Match(id + std::string(c.endpointBytes - id.size(), 'e'), xaddr);
      }
      Answer(browse, Ipv4Endpoint(192, 168, 1, host, kWsdPort), Matches("urn:uuid:1", matches));
    }
    const std::size_t resolves = channel.sent.size() - 4;
    EXPECT_EQ(c.pathBytes ? browse.Printers().size() : resolves, c.kept) << c.what;
  }
}

TEST_F(WsdBrowseTest, NamesEveryPrinterByGetsEightAtATimeWithinTheDeadline) {
  const struct {
    int replyMs;
    std::size_t gets;
    int named;  // printers named, from the first on
  } cases[] = {{5, 40, 40}, {1000, 24, 16}};
  for (const auto& c : cases) {
    http = FakePoster(clock, c.replyMs);
    WsdBrowse browse = Probed();
    for (std::uint8_t host = 10; host < 50; ++host) {
      const std::string address = "192.168.1." + std::to_string(host);
      Answer(browse, Ipv4Endpoint(192, 168, 1, host, kWsdPort),
             Matches("urn:uuid:1", Match("urn:" + address, "http://" + address + "/")));
      http.pages[address + ":80/"] = Metadata(Device(host == 10 ? std::string(60, 'n') : address));
    }
    http.pages.erase("192.168.1.11:80/");
    const std::int64_t deadline = clock.now + 2505;
    Name(browse, deadline);
    EXPECT_LE(clock.now, deadline);
    EXPECT_EQ(http.posts.size(), c.gets);
    EXPECT_EQ(http.mostRunning, 8);
    for (const auto& post : http.posts) EXPECT_EQ(post.timeoutMs, deadline - post.startedAt);
    const std::vector<FoundPrinter> printers = browse.Printers();
    ASSERT_EQ(printers.size(), 40u);
    for (int i = 0; i < 40; ++i) {
      const std::string name =
          i == 0 ? std::string(47, 'n') : "192.168.1." + std::to_string(10 + i);
      EXPECT_EQ(printers[i].name, i < c.named && i != 1 ? name : "") << i << " " << c.replyMs;
    }
  }
}

// One printer at 192.168.1.20 answering SNMP (a name, or none), DNS-SD and
// WSD in one broadcast call: SNMP names stand and need no Get; an empty name
// is filled from DNS-SD, else WSD; what no report covers is reported once at
// the end of the wait, which ends on time whatever the Gets do.
TEST_F(WsdBrowseTest, CollectAgentsReportsEachPrinterOnceUnderTheNameThatStands) {
  using namespace testing_messages;
  const struct {
    std::optional<std::string> snmp;
    std::string dnssd, reported;
    std::size_t gets = 1;
    std::string scheme = "http";
    int replyMs = 5;
    bool reportedBefore = false;
  } cases[] = {
      {"Snmp", "Dns", "192.168.1.20=Snmp ", 0},
      {"", "Dns", "192.168.1.20=Dns "},
      {"", "", "192.168.1.20=Wsd "},
      {std::nullopt, "Dns", "192.168.1.20=Dns "},
      {std::nullopt, "", "192.168.1.20=Wsd "},
      {std::nullopt, "", "192.168.1.20= ", 0, "https"},
      {"", "", "192.168.1.20= ", 1, "http", 5000},
      {std::nullopt, "", "", 1, "http", 5, true},
  };
  const Endpoint all = Ipv4Endpoint(255, 255, 255, 255, 161);
  const auto from = [](std::uint16_t port) { return Ipv4Endpoint(192, 168, 1, 20, port); };
  for (const auto& c : cases) {
    http = FakePoster(clock, c.replyMs);
    http.pages["192.168.1.20:80/"] = Metadata(Device("Wsd"));
    FakeChannel lan(clock);
    const std::int64_t begin = clock.now;
    if (c.snmp)
      lan.arrivals.push_back(
          {begin + 10, from(161), SysNameAnswer(1, 501, EncodeOctetString(*c.snmp))});
    if (!c.dnssd.empty())
      lan.arrivals.push_back(
          {begin + 20, from(5353), DnsSdAnswer(7, c.dnssd, "p", Of({192, 168, 1, 20}))});
    lan.arrivals.push_back(
        {begin + 30, from(kWsdPort),
         Text(Matches("urn:uuid:1", Match("urn:p", c.scheme + "://192.168.1.20/")))});
    ids = 0;
    DnsSdBrowse dnssd(AddressFamily::kIpv4, network.Ipv4Interfaces(),
                      {Ipv4Endpoint(224, 0, 0, 251, 5353)}, false, 161, 7);
    WsdBrowse wsd(network, AddressFamily::kIpv4,
                  WsdGroupOnInterfaces(network, AddressFamily::kIpv4), false, 161, &http,
                  [this] { return "urn:uuid:" + std::to_string(++ids); });
    SearchMemory memory;
    if (c.reportedBefore) memory.Claim(from(161));
    std::string reported;
    const auto report = [&](const Endpoint& agent, const std::string& name) {
      if (!memory.Claim(agent)) return false;
      reported += FormatIpv4(agent) + "=" + name + " ";
      return true;
    };
    const SysNameProbe probe("public", 501, 502);
    EXPECT_EQ(testing_collect::CollectWithSnmp(lan, clock, probe, {{all}, false, 2000, 1, {}, 1},
                                               report, {&dnssd, &wsd}),
              c.reportedBefore ? 0 : 1);
    EXPECT_EQ(reported, c.reported) << c.dnssd << c.scheme;
    EXPECT_EQ(http.posts.size(), c.gets) << c.reported;
    EXPECT_EQ(clock.now - begin, 2000) << c.reported;
  }
}

}  // namespace
}  // namespace jobhost::devprobe
