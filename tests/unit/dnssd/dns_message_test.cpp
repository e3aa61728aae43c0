#include "dnssd/dns_message.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "dnssd/dns_test_messages.h"

namespace jobhost::dnssd {
namespace {

using namespace std::string_literals;
using namespace testing_messages;

std::optional<DnsMessage> Decode(const std::string& message) {
  return DecodeDnsMessage(
      std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size()));
}

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

}  // namespace
}  // namespace jobhost::dnssd
