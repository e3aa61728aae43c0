// The two SNMP exchanges: exact request bytes, answers that decode, and
// answers that must be refused without reading past them.

#include "snmp_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "test_messages.h"

namespace jobhost::devprobe {
namespace {

using namespace testing_messages;

TEST(SnmpMessages, SysNameRequestHasTheExactWireForm) {
  const Bytes expected = Join(
      {Of({0x30, 0x27, 0x02, 0x01, 0x01, 0x04, 0x06}), Text("public"),
       Of({0xA0, 0x1A, 0x02, 0x02, 0x12, 0x34, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E,
           0x30, 0x0C, 0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x05, 0x00, 0x05, 0x00})});
  EXPECT_EQ(EncodeSysNameRequest(SnmpVersion::kV2c, "public", 0x1234), expected);
  const Bytes v1 = EncodeSysNameRequest(SnmpVersion::kV1, "public", 0x1234);
  ASSERT_EQ(v1.size(), expected.size());
  EXPECT_EQ(v1[4], 0x00);

  // Asking for printers appends the hrDeviceType.1 binding to the same list.
  const Bytes typeBinding = Of({0x30, 0x0F, 0x06, 0x0B, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x19, 0x03,
                                0x02, 0x01, 0x02, 0x01, 0x05, 0x00});
  const Bytes printers = EncodeSysNameRequest(SnmpVersion::kV2c, "public", 0x1234, true);
  ASSERT_EQ(printers.size(), expected.size() + typeBinding.size());
  EXPECT_TRUE(std::ranges::equal(ByteView(printers).last(typeBinding.size()), typeBinding));
  EXPECT_EQ(printers[printers.size() - typeBinding.size() - 0x0E - 1], 0x0E + typeBinding.size())
      << "binding list length";
}

TEST(SnmpMessages, EngineDiscoveryIsReportableNoAuthWithoutUserOrEngine) {
  const Bytes request = EncodeEngineDiscovery(0x0102, 7);
  BerReader outer(request);
  BerReader message(ByteView{});
  BerReader global(ByteView{});
  std::int64_t version = 0, messageId = 0, maxSize = 0, model = 0;
  ByteView flags, security;
  ASSERT_TRUE(outer.Enter(ber::kSequence, message) && message.ReadInteger(version) &&
              message.Enter(ber::kSequence, global) && global.ReadInteger(messageId) &&
              global.ReadInteger(maxSize) && global.ReadOctetString(flags) &&
              global.ReadInteger(model) && message.ReadOctetString(security));
  EXPECT_EQ(version, 3);
  EXPECT_EQ(messageId, 0x0102);
  EXPECT_EQ(model, 3);
  EXPECT_EQ(Bytes(flags.begin(), flags.end()), Of({0x04}));
  const Bytes emptyUsm =
      Sequence({EncodeOctetString(""), EncodeInteger(0), EncodeInteger(0), EncodeOctetString(""),
                EncodeOctetString(""), EncodeOctetString("")});
  EXPECT_EQ(Bytes(security.begin(), security.end()), emptyUsm);
}

TEST(SnmpMessages, SysNameAnswersGiveTheNameOnlyForAString) {
  const struct {
    const char* what;
    Bytes value;
    std::int64_t errorStatus;
    std::string name;
  } cases[] = {
      {"octet string", EncodeOctetString("printer-3"), 0, "printer-3"},
      {"empty string", EncodeOctetString(""), 0, ""},
      {"zero byte ends the name", EncodeOctetString(ByteView(Of({'a', 'b', 0, 'c'}))), 0, "ab"},
      {"noSuchObject", EncodeElement(0x80, {}), 0, ""},
      {"v1 noSuchName", EncodeNull(), 2, ""},
      {"not a string", EncodeInteger(5), 0, ""},
  };
  for (const auto& c : cases) {
    const auto response = DecodeSysNameResponse(SysNameAnswer(1, 42, c.value, c.errorStatus));
    ASSERT_TRUE(response) << c.what;
    EXPECT_EQ(response->requestId, 42) << c.what;
    EXPECT_EQ(response->sysName, c.name) << c.what;
  }
}

TEST(SnmpMessages, AValueForAnotherObjectGivesNoName) {
  const Bytes binding =
      Sequence({EncodeObjectId({1, 3, 6, 1, 2, 1, 1, 6, 0}), EncodeOctetString("room 4")});
  const Bytes pdu = EncodeElement(
      0xA2, Join({EncodeInteger(1), EncodeInteger(0), EncodeInteger(0), Sequence({binding})}));
  const auto response =
      DecodeSysNameResponse(Sequence({EncodeInteger(1), EncodeOctetString("public"), pdu}));
  ASSERT_TRUE(response);
  EXPECT_EQ(response->sysName, "");
}

TEST(SnmpMessages, OtherMessagesAreNotSysNameAnswers) {
  const Bytes name = EncodeOctetString("x");
  const Bytes withTrailingByte = Join({SysNameAnswer(1, 1, name), Of({0x00})});
  const Bytes requestNotResponse = EncodeSysNameRequest(SnmpVersion::kV2c, "public", 1);
  const Bytes versionThree = SysNameAnswer(3, 1, name);
  // A five-byte request id, which no request of ours can have.
  const Bytes pdu = EncodeElement(
      0xA2, Join({EncodeInteger(0x100000000LL), EncodeInteger(0), EncodeInteger(0), Sequence({})}));
  const Bytes tooWide = Sequence({EncodeInteger(1), EncodeOctetString("public"), pdu});
  for (const Bytes& bytes : {withTrailingByte, requestNotResponse, versionThree, tooWide}) {
    EXPECT_FALSE(DecodeSysNameResponse(bytes));
  }
}

TEST(SnmpMessages, EveryCutOfAValidAnswerIsRefused) {
  const Bytes answers[] = {SysNameAnswer(0, 9, EncodeOctetString("name")),
                           EngineAnswer(9, kTextEngine)};
  for (const Bytes& answer : answers) {
    for (std::size_t size = 0; size < answer.size(); ++size) {
      const ByteView cut(answer.data(), size);
      EXPECT_FALSE(DecodeSysNameResponse(cut)) << size;
      EXPECT_FALSE(DecodeEngineReport(cut)) << size;
    }
  }
}

TEST(SnmpMessages, EngineReportCarriesTheEngineId) {
  const auto report = DecodeEngineReport(EngineAnswer(0x7001, kTextEngine));
  ASSERT_TRUE(report);
  EXPECT_EQ(report->messageId, 0x7001);
  EXPECT_EQ(report->engineId, kTextEngine);
  EXPECT_FALSE(DecodeEngineReport(EngineAnswer(1, {}))) << "empty engine ID";
  EXPECT_FALSE(DecodeEngineReport(EngineAnswer(1, Bytes(33, 0x80)))) << "engine ID over 32 bytes";
  EXPECT_FALSE(DecodeEngineReport(EngineAnswer(1, kTextEngine, 0xA0))) << "a request PDU";
  EXPECT_TRUE(DecodeEngineReport(EngineAnswer(1, kTextEngine, 0xA2))) << "a response PDU";
}

TEST(SnmpMessages, EngineIdTextByItsFormat) {
  const struct {
    const char* what;
    Bytes engineId;
    std::string text;
  } cases[] = {
      {"text format", kTextEngine, "engine-7"},
      {"text with zero byte", Of({0x80, 0, 0x1F, 0x88, 4, 'a', 0, 'b'}), "a"},
      {"MAC format", Of({0x80, 0, 0x1F, 0x88, 3, 0, 0x1B, 0xA9, 0xFE, 0xC3, 0x0A}),
       "00:1b:a9:fe:c3:0a"},
      {"MAC of the wrong size", Of({0x80, 0, 0x1F, 0x88, 3, 1, 2, 3, 4, 5}), ""},
      {"IPv4 format", Of({0x80, 0, 0x1F, 0x88, 1, 192, 0, 2, 17}), "192.0.2.17"},
      {"IPv4 of the wrong size", Of({0x80, 0, 0x1F, 0x88, 1, 192, 0, 2}), ""},
      {"IPv6 format, first zero run compressed",
       Of({0x80, 0, 0x1F, 0x88, 2, 0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}),
       "2001:0db8::0001:0000:0000:0001"},
      {"IPv6 of the wrong size", Of({0x80, 0, 0x1F, 0x88, 2, 0x20, 0x01}), ""},
      {"enterprise-specific random (net-snmp's default)",
       Of({0x80, 0, 0x1F, 0x88, 0x80, 0x3E, 0x12, 0x9A, 0x01}), ""},
      {"octets format", Of({0x80, 0, 0x1F, 0x88, 5, 'a', 'b'}), ""},
      {"old format without the enterprise bit", Of({0x00, 0, 0x1F, 0x88, 4, 'a'}), ""},
      {"too short for a format byte", Of({0x80, 0, 0x1F, 0x88}), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EngineIdText(c.engineId), c.text) << c.what;
}

}  // namespace
}  // namespace jobhost::devprobe
