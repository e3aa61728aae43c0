// The WS-Discovery side of a find call on a scripted network, clock and HTTP.

#include "wsd_browse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "network/fake_network.h"
#include "wsd/wsd_documents.h"

namespace jobhost::devprobe {
namespace {

using namespace wsd::testing;
using network::testing::FakeChannel;
using network::testing::FakeClock;
using network::testing::FakeNetwork;
using network::testing::Ipv6Endpoint;

// Every POST takes replyMs; its reply is the page of its target
// ("host:port/path"), and fails when there is none. A wait ends at the first POST that ends within
// it.
class FakePoster : public wsd::HttpPoster {
 public:
  explicit FakePoster(FakeClock& clock) : clock_(clock) {}
  struct Post {
    int id;
    std::string url;
    std::string body;
    int timeoutMs;
    std::int64_t startedAt;
  };
  bool Start(int id, const wsd::HttpTarget& target, const std::string& body,
             int timeoutMs) override {
    const std::string url = target.host + ":" + std::to_string(target.port) + target.path;
    posts.push_back({id, url, body, timeoutMs, clock_.now});
    running.push_back(posts.size() - 1);
    mostRunning = std::max(mostRunning, Running());
    return true;
  }
  std::vector<wsd::HttpReply> Wait(int timeoutMs) override {
    if (running.empty()) return {};
    const Post& post = posts[running.front()];
    const std::int64_t endsAt = post.startedAt + replyMs;
    if (endsAt > clock_.now + timeoutMs) {
      clock_.now += timeoutMs;
      return {};
    }
    clock_.now = std::max(clock_.now, endsAt);
    running.erase(running.begin());
    const auto page = pages.find(post.url);
    return {{post.id, page != pages.end(), page != pages.end() ? page->second : ""}};
  }
  int Running() const override { return static_cast<int>(running.size()); }

  std::map<std::string, std::string> pages;
  std::vector<Post> posts;
  std::vector<std::size_t> running;
  int mostRunning = 0;
  int replyMs = 5;

 private:
  FakeClock& clock_;
};

std::string Named(std::string_view name) {
  return Metadata("<dp:ThisDevice><dp:FriendlyName>" + std::string(name) +
                  "</dp:FriendlyName></dp:ThisDevice>");
}

class WsdBrowseTest : public ::testing::Test {
 protected:
  WsdBrowseTest() {
    network.AddIpv4Interface(2, Ipv4Endpoint(192, 168, 1, 2, 0));
    network.AddIpv4Interface(3, Ipv4Endpoint(10, 0, 0, 2, 0));
    network.multicastInterfaces = {4};
    network.hosts["192.168.1.21"] = Ipv4Endpoint(192, 168, 1, 21, 0);
    network.hosts["10.0.0.5"] = Ipv4Endpoint(10, 0, 0, 5, 0);
  }
  WsdBrowse Browse(std::vector<Endpoint> destinations, bool oneHost = false,
                   wsd::HttpPoster* poster = nullptr) {
    return WsdBrowse(network, AddressFamily::kIpv4, std::move(destinations), oneHost, 161,
                     poster ? poster : &http,
                     [this] { return "urn:uuid:" + std::to_string(++ids); });
  }
  bool Answer(WsdBrowse& browse, const Endpoint& from, const std::string& document) {
    return browse.Take(
        channel, from,
        ByteView(reinterpret_cast<const std::uint8_t*>(document.data()), document.size()));
  }
  // Polls until every Get has ended or the deadline has come.
  void Name(WsdBrowse& browse, std::int64_t deadline) {
    while (browse.Naming() && clock.now < deadline) browse.Poll(clock, deadline, kWsdPollMs);
  }
  static std::string Shown(const WsdBrowse& browse) {
    std::string shown;
    for (const WsdPrinter& printer : browse.Printers()) {
      shown += FormatIpv4(printer.address) + "=" + printer.name + " ";
    }
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
  const Endpoint group = Ipv4Endpoint(239, 255, 255, 250, kWsdPort);
  const Endpoint printer = Ipv4Endpoint(192, 168, 1, 20, 3702);
};

TEST_F(WsdBrowseTest, ProbesTheGroupOnEveryMulticastInterfaceWithAFreshIdEachTime) {
  WsdBrowse browse = Browse(WsdGroupOnInterfaces(network, AddressFamily::kIpv4));
  EXPECT_EQ(browse.SendProbes(channel), 2);
  EXPECT_EQ(browse.SendProbes(channel), 2);
  ASSERT_EQ(channel.sent.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    Endpoint expected = group;
    expected.scopeId = i % 2 == 0 ? 2 : 3;
    EXPECT_EQ(channel.sent[i].to, expected);
    EXPECT_EQ(Sent(i), wsd::ProbeMessage(i < 2 ? "urn:uuid:1" : "urn:uuid:2"));
  }
  EXPECT_EQ(WsdGroupOnInterfaces(network, AddressFamily::kIpv6),
            std::vector<Endpoint>{
                Ipv6Endpoint({0xFF, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0C}, kWsdPort, 4)});
}

TEST_F(WsdBrowseTest, TakesOnlyPrintersAnsweringItsProbesFromTheLinkAtTheAddressTheyName) {
  const std::string xaddr = "http://192.168.1.21:5357/p";
  const std::string target = "192.168.1.21:5357/p";
  const struct {
    std::string what;
    Endpoint from;
    std::string document;
    bool taken;
    std::string shown;
    std::string getTarget;  // host:port/path
    bool oneHost = false;
  } cases[] = {
      {"on link", printer, Matches("urn:uuid:1", Match("urn:e", xaddr)), true,
       "192.168.1.21= ", target},
      {"second probe", printer, Matches("urn:uuid:2", Match("urn:e", xaddr)), true,
       "192.168.1.21= ", target},
      {"other id", printer, Matches("urn:uuid:9", Match("urn:e", xaddr)), false, "", ""},
      {"off link", Ipv4Endpoint(172, 16, 0, 5, 3702), Matches("urn:uuid:1", Match("urn:e", xaddr)),
       false, "", ""},
      {"no printer", printer, Matches("urn:uuid:1", Match("urn:e", xaddr, "dp:Device")), true, "",
       ""},
      {"other link's host", printer,
       Matches("urn:uuid:1", Match("urn:e", "http://10.0.0.5/p http://192.168.1.21/")), true,
       "192.168.1.20= ", "192.168.1.20:80/p"},
      {"host name", printer, Matches("urn:uuid:1", Match("urn:e", "http://u@printer.local:81#f")),
       true, "192.168.1.20= ", "192.168.1.20:81/"},
      {"no URL", printer, Matches("urn:uuid:1", Match("urn:e", "http://192.168.1.21/\xc3\xa9")),
       true, "192.168.1.21= ", ""},
      {"no port", printer, Matches("urn:uuid:1", Match("urn:e", "http://192.168.1.21:65536/")),
       true, "192.168.1.21= ", ""},
      {"https only", printer, Matches("urn:uuid:1", Match("urn:e", "https://192.168.1.21/p")), true,
       "192.168.1.20= ", ""},
      {"snmp", printer, "\x30\x29\x02\x01\x01", false, "", ""},
      {"one host", Ipv4Endpoint(192, 0, 2, 7, 3702), Matches("urn:uuid:1", Match("urn:e", xaddr)),
       true, "192.0.2.7= ", "192.0.2.7:5357/p", true},
      {"not the host", printer, Matches("urn:uuid:1", Match("urn:e", xaddr)), false, "", "", true},
  };
  for (const auto& c : cases) {
    http.posts.clear();
    WsdBrowse browse = c.oneHost ? Browse({Ipv4Endpoint(192, 0, 2, 7, kWsdPort)}, true)
                                 : Browse(WsdGroupOnInterfaces(network, AddressFamily::kIpv4));
    ids = 0;
    browse.SendProbes(channel);
    browse.SendProbes(channel);
    EXPECT_EQ(Answer(browse, c.from, c.document), c.taken) << c.what;
    EXPECT_EQ(Shown(browse), c.shown) << c.what;
    browse.Poll(clock, clock.now + 1000, 0);
    EXPECT_EQ(http.posts.empty() ? "" : http.posts[0].url, c.getTarget) << c.what;
  }
}

TEST_F(WsdBrowseTest, ResolvesAMatchWithoutTransportAddressesOnceThenNamesIt) {
  WsdBrowse browse = Browse(WsdGroupOnInterfaces(network, AddressFamily::kIpv4));
  browse.SendProbes(channel);
  const std::size_t probes = channel.sent.size();
  EXPECT_TRUE(Answer(browse, printer, Matches("urn:uuid:1", Match("urn:e", ""))));
  EXPECT_TRUE(Answer(browse, printer, Matches("urn:uuid:1", Match("urn:e", ""))));
  ASSERT_EQ(channel.sent.size(), probes + 1) << "one Resolve";
  EXPECT_EQ(channel.sent.back().to, Ipv4Endpoint(192, 168, 1, 20, kWsdPort));
  EXPECT_EQ(Sent(probes), wsd::ResolveMessage("urn:uuid:2", "urn:e"));
  EXPECT_FALSE(browse.Naming());

  const std::string resolved = Match("urn:e", "http://192.168.1.20:5357/d", "", "Resolve");
  EXPECT_FALSE(Answer(browse, printer, Matches("urn:uuid:7", resolved, "Resolve")));
  EXPECT_TRUE(Answer(browse, printer, Matches("urn:uuid:2", resolved, "Resolve")));
  http.pages["192.168.1.20:5357/d"] = Named("Front Desk");
  Name(browse, clock.now + 1000);
  ASSERT_EQ(http.posts.size(), 1u);
  EXPECT_EQ(http.posts[0].body, wsd::GetMessage("urn:uuid:3", "urn:e"));
  EXPECT_EQ(Shown(browse), "192.168.1.20=Front Desk ");
  EXPECT_EQ(browse.NameOf(Ipv4Endpoint(192, 168, 1, 20, 161)), "Front Desk");
}

TEST_F(WsdBrowseTest, NamesByAtMost32GetsEightAtATimeWithinTheDeadline) {
  const struct {
    int replyMs;
    std::size_t gets;
    int named;  // printers named, from the first on
  } cases[] = {{5, 32, 32}, {1000, 24, 16}};
  for (const auto& c : cases) {
    FakePoster poster(clock);
    poster.replyMs = c.replyMs;
    WsdBrowse browse = Browse(WsdGroupOnInterfaces(network, AddressFamily::kIpv4), false, &poster);
    ids = 0;
    browse.SendProbes(channel);
    std::string matches;
    for (int host = 10; host < 50; ++host) {
      const std::string address = "192.168.1." + std::to_string(host);
      network.hosts[address] = Ipv4Endpoint(192, 168, 1, static_cast<std::uint8_t>(host), 0);
      matches += Match("urn:" + std::to_string(host), "http://" + address + "/");
      poster.pages[address + ":80/"] =
          Named(host == 10 ? std::string(60, 'n') : "P" + std::to_string(host));
    }
    poster.pages.erase("192.168.1.11:80/");
    Answer(browse, printer, Matches("urn:uuid:1", matches));
    const std::int64_t deadline = clock.now + 2500;
    Name(browse, deadline);
    EXPECT_LE(clock.now, deadline);
    EXPECT_EQ(poster.posts.size(), c.gets);
    EXPECT_EQ(poster.mostRunning, 8);
    for (const auto& post : poster.posts) EXPECT_EQ(post.timeoutMs, deadline - post.startedAt);
    const std::vector<WsdPrinter> printers = browse.Printers();
    ASSERT_EQ(printers.size(), 40u);
    for (int i = 0; i < 40; ++i) {
      const std::string name = i == 0 ? std::string(47, 'n') : "P" + std::to_string(10 + i);
      EXPECT_EQ(printers[i].name, i < c.named && i != 1 ? name : "") << i << " " << c.replyMs;
    }
  }
}

TEST_F(WsdBrowseTest, KeepsAtMost256Matches) {
  WsdBrowse browse = Browse(WsdGroupOnInterfaces(network, AddressFamily::kIpv4));
  browse.SendProbes(channel);
  std::string matches;
  for (int i = 0; i < 300; ++i) matches += Match("urn:" + std::to_string(i), "");
  EXPECT_TRUE(Answer(browse, printer, Matches("urn:uuid:1", matches)));
  EXPECT_EQ(channel.sent.size(), 2 + kMaxWsdMatches) << "a Resolve for each match kept";
  EXPECT_EQ(browse.Printers().size(), 1u) << "all at one address";
}

}  // namespace
}  // namespace jobhost::devprobe
