#include "dnssd/dns_message.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "dnssd/mdns_answers.h"
#include "dnssd/mdns_resolve.h"
#include "network/fake_network.h"

namespace jobhost::dnssd {
namespace {

using namespace std::string_literals;
using network::FormatIpv4;
namespace testing = network::testing;

std::string U16(std::size_t value) {
  return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

// Counts of questions, answers, authority and additional records.
std::string Header(std::array<int, 4> counts, int flags = 0x8400) {
  return U16(0x1234) + U16(flags) + U16(counts[0]) + U16(counts[1]) + U16(counts[2]) +
         U16(counts[3]);
}

std::string Record(const std::string& owner, DnsType type, const std::string& data,
                   int recordClass = 1) {
  return owner + U16(static_cast<int>(type)) + U16(recordClass) + "\0\0\0\x78"s + U16(data.size()) +
         data;
}

// A response holding one answer.
std::string One(const std::string& owner, DnsType type, const std::string& data) {
  return Header({0, 1, 0, 0}) + Record(owner, type, data);
}

std::optional<DnsMessage> Decode(const std::string& message) {
  return DecodeDnsMessage(
      std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size()));
}

const std::string kService = "\x04_ipp\x04_tcp\x05local\0"s;
const std::string kHost = "\x04host\x05local\0"s;
const std::string kIpv4 = "\xc0\xa8\x01\x14";
const std::string kIpv6 = "\xfe\x80" + std::string(13, '\0') + "\x01";
const std::string kPort631 = "\0\0\0\0\x02\x77"s;

// Repeats its question, as an answer to a one-shot query does.
const std::string kPlainAnswer =
    Header({1, 1, 0, 3}) + kService + "\0\x0c\0\x01"s +
    Record(kService, DnsType::kPtr, "\x0cOffice Laser" + kService) +
    Record("\x0cOffice Laser" + kService, DnsType::kSrv, kPort631 + kHost) +
    Record(kHost, DnsType::kA, kIpv4) + Record(kHost, DnsType::kAaaa, kIpv6);
// The instance name lies at 39 (0x27), "local" at 22 (0x16), the host at 72 (0x48).
const std::string kCompressedAnswer =
    Header({0, 1, 0, 3}) + Record(kService, DnsType::kPtr, "\x0cOffice Laser\xc0\x0c") +
    Record("\xc0\x27", DnsType::kSrv, kPort631 + "\x04host\xc0\x16", 0x8001) +
    Record("\xc0\x48", DnsType::kA, kIpv4) + Record("\xc0\x48", DnsType::kAaaa, kIpv6);

TEST(DnsQuery, EncodesEachQuestionAfterTheHeader) {
  const DnsQuestion questions[] = {
      {*DnsNameFromText("_ipp._tcp.local"), DnsType::kPtr},
      {{"Office.Laser", "_ipp", "_tcp", "local"}, DnsType::kSrv},
      {*DnsNameFromText("host.local."), DnsType::kA},
      {{"host", "local"}, DnsType::kAaaa},
  };
  const std::string expected = "\x12\x34\0\0\0\x04\0\0\0\0\0\0"s + kService + "\0\x0c\0\x01"s +
                               "\x0cOffice.Laser" + kService + "\0\x21\0\x01"s + kHost +
                               "\0\x01\0\x01"s + kHost + "\0\x1c\0\x01"s;
  EXPECT_EQ(EncodeDnsQuery(0x1234, questions),
            std::vector<std::uint8_t>(expected.begin(), expected.end()));
}

TEST(DnsQuery, RefusesNamesNoQueryCanCarry) {
  const std::string l63(63, 'a');
  const std::string l189 = l63 + "." + l63 + "." + l63 + ".";
  // The last of each list is 255 and 256 bytes encoded.
  for (const std::string& text : {"local."s, l63 + ".local", l189 + l63.substr(2)}) {
    EXPECT_TRUE(DnsNameFromText(text)) << text;
  }
  for (const std::string& text :
       {""s, "."s, "a..local"s, ".local"s, l63 + "a.local", l189 + l63.substr(1)}) {
    EXPECT_FALSE(DnsNameFromText(text)) << text;
  }
  const DnsQuestion emptyLabel[] = {{{"host", ""}, DnsType::kA}};
  EXPECT_FALSE(EncodeDnsQuery(1, emptyLabel));
}

TEST(DnsMessage, DecodesAnswersWithAndWithoutCompressionAndRefusesEveryCut) {
  const DnsName instance = {"Office Laser", "_ipp", "_tcp", "local"};
  const DnsName host = {"host", "local"};
  const std::vector<DnsRecord> expected = {
      {{"_ipp", "_tcp", "local"}, 120, DnsPtrData{instance}},
      {instance, 120, DnsSrvData{0, 0, 631, host}},
      {host, 120, DnsIpv4Address{192, 168, 1, 20}},
      {host, 120, DnsIpv6Address{0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}}};
  for (const std::string& answer : {kPlainAnswer, kCompressedAnswer}) {
    const auto message = Decode(answer);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->id, 0x1234);
    EXPECT_EQ(message->records, expected);
    for (std::size_t size = 0; size < answer.size(); ++size) {
      EXPECT_FALSE(Decode(answer.substr(0, size))) << size;
    }
  }
}

TEST(DnsMessage, KeepsRecordsOfKeptKindsAndRefusesMalformedMessages) {
  const std::string l63(63, 'a');
  const std::string l189 = "\x3f" + l63 + "\x3f" + l63 + "\x3f" + l63;
  const std::string a = Record(kHost, DnsType::kA, kIpv4);
  const struct {
    const char* what;
    std::string message;
    int kept;  // -1: refused
  } cases[] = {
      {"other types and classes skipped",
       Header({0, 3, 0, 0}) + Record(kHost, DnsType::kTxt, "\x02hi") +
           Record(kHost, DnsType::kA, "12345", 3) + a,
       1},
      {"trailing bytes ignored", Header({0, 1, 0, 0}) + a + "junk", 1},
      {"name of 255 bytes", One(l189 + "\x3d" + l63.substr(2) + '\0', DnsType::kA, kIpv4), 1},
      {"name of 256 bytes", One(l189 + "\x3e" + l63.substr(1) + '\0', DnsType::kA, kIpv4), -1},
      {"pointer loop", One("\001a\xc0\x0c"s, DnsType::kA, kIpv4), -1},
      {"forward pointer", One("\xc0\x0e", DnsType::kA, kIpv4), -1},
      {"label type 01 (64 bytes)", One("\x40" + l63 + "a\0"s, DnsType::kA, kIpv4), -1},
      {"label type 10", One("\x80\0"s, DnsType::kA, kIpv4), -1},
      {"more answers than held", Header({0, 2, 0, 0}) + a, -1},
      {"more questions than held", Header({1, 0, 0, 0}), -1},
      {"a query", Header({0, 1, 0, 0}, 0) + a, -1},
      {"opcode 1", Header({0, 1, 0, 0}, 0x8c00) + a, -1},
      {"an error", Header({0, 1, 0, 0}, 0x8403) + a, -1},
      {"A of 5 bytes", One(kHost, DnsType::kA, kIpv4 + "x"), -1},
      {"AAAA of 4 bytes", One(kHost, DnsType::kAaaa, kIpv4), -1},
      {"PTR name short of its data", One(kHost, DnsType::kPtr, kHost + "x"), -1},
      {"PTR name past its data", One(kHost, DnsType::kPtr, "\x04host") + '\0', -1},
      {"SRV without its fields", One(kHost, DnsType::kSrv, "\0\0\0"s), -1}};
  for (const auto& c : cases) {
    const auto message = Decode(c.message);
    EXPECT_EQ(message ? static_cast<int>(message->records.size()) : -1, c.kept) << c.what;
  }
}

TEST(DnsName, ComparesWithoutAsciiCase) {
  EXPECT_TRUE(SameDnsName({"Office Laser", "_IPP", "Local"}, {"office laser", "_ipp", "LOCAL"}));
  EXPECT_FALSE(SameDnsName({"a.b", "local"}, {"a", "b", "local"}));
  EXPECT_FALSE(SameDnsName({"\xc3\x89"}, {"\xc3\xa9"}));  // É and é: only ASCII folds
}

TEST(InstanceName, IsValidUtf8WithoutControlsCutAtALetter) {
  const std::string replacement = "\xef\xbf\xbd";
  // é, €, a printer: each fits byte 47 whole or not at all; so does U+FFFD for a stray byte.
  for (const std::string& letter : {"\xc3\xa9"s, "\xe2\x82\xac"s, "\xf0\x9f\x96\xa8"s, "\xff"s}) {
    const std::string shown = letter == "\xff" ? replacement : letter;
    const std::string filler(47 - shown.size(), 'a');
    EXPECT_EQ(InstanceNameText(filler + letter, 47), filler + shown);
    EXPECT_EQ(InstanceNameText("a" + filler + letter, 47), "a" + filler);
  }
  const std::pair<std::string, std::string> cases[] = {
      {"Office\tLaser\x7f\xc2\x85!\0x"s, "Office Laser  ! x"},
      {"\xc0\xaf", replacement + replacement},                    // an overlong /
      {"\xed\xa0\x80|a\xc3", replacement + "|a" + replacement}};  // a surrogate, a cut letter
  for (const auto& [label, text] : cases) EXPECT_EQ(InstanceNameText(label, 47), text);
}

TEST(MdnsAnswers, KeepsRecordsOfNamesAskedAboutOrToldOfUpToTheCap) {
  const std::string instance = "\x0cOffice Laser" + kService;
  const std::string ptr = Record(kService, DnsType::kPtr, instance);
  const std::string srv = Record(instance, DnsType::kSrv, kPort631 + kHost);
  const std::string a = Record(kHost, DnsType::kA, kIpv4);
  std::string flood;
  for (int i = 0; i < 1100; ++i) {
    // Appended, not "\x06" + label: GCC 12 at -O3 warns about a restrict overlap there.
    std::string name = "\x06i";
    name += std::to_string(10000 + i);
    name += kService;
    flood += Record(kService, DnsType::kPtr, name);
  }
  const struct {
    const char* what;
    std::string message;
    std::size_t instances;
    bool address;
  } cases[] = {
      {"pointer, service and address", Header({0, 3, 0, 0}) + ptr + srv + a, 1, true},
      {"the same the other way round", Header({0, 3, 0, 0}) + a + srv + ptr, 1, true},
      {"a service type not asked about",
       One("\x05_http\x04_tcp\x05local\0"s, DnsType::kPtr, instance), 0, false},
      {"the address of a host nobody told of", Header({0, 2, 0, 0}) + ptr + a, 1, false},
      {"a flood, then what no longer fits", Header({0, 1102, 0, 0}) + flood + srv + a, 1024, false},
  };
  for (const auto& c : cases) {
    MdnsAnswers answers({{2, Ipv4Endpoint(192, 168, 1, 2, 0), 24, std::nullopt, true}});
    const DnsName service = {"_ipp", "_tcp", "local"};
    const DnsName http = {"_http", "_tcp", "local"};
    answers.Expect(service, MdnsRole::kServiceType);
    const auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(c.message.data()), c.message.size());
    EXPECT_TRUE(answers.Take(Ipv4Endpoint(192, 168, 1, 20, kMdnsPort), bytes, 0x1234)) << c.what;
    EXPECT_EQ(answers.Instances(service).size() + answers.Instances(http).size(), c.instances)
        << c.what;
    EXPECT_EQ(answers.Address({"host", "local"}, AddressFamily::kIpv4).has_value(), c.address)
        << c.what;
  }
}

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
