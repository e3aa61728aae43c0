#include "snmp_messages.h"

#include <algorithm>

namespace jobhost::devprobe {

namespace {

constexpr std::uint8_t kGetRequestPdu = 0xA0;
constexpr std::uint8_t kResponsePdu = 0xA2;
constexpr std::uint8_t kReportPdu = 0xA8;

constexpr std::int64_t kUserSecurityModel = 3;
// The largest message this side can take: a whole UDP datagram.
constexpr std::int64_t kMaxMessageSize = 65507;
constexpr std::uint8_t kReportableFlag = 0x04;
constexpr std::uint8_t kPrivacyFlag = 0x02;

constexpr std::size_t kEngineIdMaxSize = 32;
constexpr std::uint8_t kEngineIdTextFormat = 4;

Bytes SysNameOid() {
  return EncodeObjectId({1, 3, 6, 1, 2, 1, 1, 5, 0});
}

bool IsRequestId(std::int64_t value) {
  return value >= INT32_MIN && value <= INT32_MAX;
}

std::string TextUpToZero(ByteView bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

// Reads the first variable binding; the name is set only for sysName.0
// holding an octet string.
bool ReadSysName(BerReader& pdu, std::string& sysName) {
  BerReader bindings(ByteView{});
  BerReader binding(ByteView{});
  if (!pdu.Enter(ber::kSequence, bindings)) return false;
  if (bindings.AtEnd()) return true;
  ByteView oid;
  ByteView value;
  std::uint8_t valueTag = 0;
  if (!bindings.Enter(ber::kSequence, binding) || !binding.Read(ber::kObjectId, oid) ||
      !binding.ReadAny(valueTag, value)) {
    return false;
  }
  const Bytes expected = SysNameOid();
  const ByteView expectedOid = ByteView(expected).subspan(2);
  if (valueTag == ber::kOctetString && std::ranges::equal(oid, expectedOid)) {
    sysName = TextUpToZero(value);
  }
  return true;
}

}  // namespace

Bytes EncodeSysNameRequest(SnmpVersion version, std::string_view community,
                           std::int32_t requestId) {
  const Bytes binding = EncodeElement(ber::kSequence, Join({SysNameOid(), EncodeNull()}));
  const Bytes pdu = EncodeElement(
      kGetRequestPdu, Join({EncodeInteger(requestId), EncodeInteger(0), EncodeInteger(0),
                            EncodeElement(ber::kSequence, binding)}));
  return EncodeElement(ber::kSequence, Join({EncodeInteger(static_cast<std::int64_t>(version)),
                                             EncodeOctetString(community), pdu}));
}

std::optional<SysNameResponse> DecodeSysNameResponse(ByteView datagram) {
  BerReader outer(datagram);
  BerReader message(ByteView{});
  BerReader pdu(ByteView{});
  std::int64_t version = 0;
  ByteView community;
  std::int64_t requestId = 0;
  std::int64_t errorStatus = 0;
  std::int64_t errorIndex = 0;
  if (!outer.Enter(ber::kSequence, message) || !outer.AtEnd() || !message.ReadInteger(version) ||
      !message.ReadOctetString(community) || !message.Enter(kResponsePdu, pdu) ||
      !pdu.ReadInteger(requestId) || !pdu.ReadInteger(errorStatus) ||
      !pdu.ReadInteger(errorIndex)) {
    return std::nullopt;
  }
  if ((version != 0 && version != 1) || !IsRequestId(requestId)) return std::nullopt;
  SysNameResponse response;
  response.version = static_cast<SnmpVersion>(version);
  response.requestId = static_cast<std::int32_t>(requestId);
  if (!ReadSysName(pdu, response.sysName)) return std::nullopt;
  return response;
}

Bytes EncodeEngineDiscovery(std::int32_t messageId, std::int32_t requestId) {
  const std::uint8_t flags[] = {kReportableFlag};
  const Bytes globalData =
      EncodeElement(ber::kSequence,
                    Join({EncodeInteger(messageId), EncodeInteger(kMaxMessageSize),
                          EncodeOctetString(ByteView(flags)), EncodeInteger(kUserSecurityModel)}));
  // Empty engine ID and user name, zero boots and time: RFC 3414 section 4.
  const Bytes securityParameters = EncodeElement(
      ber::kSequence, Join({EncodeOctetString(""), EncodeInteger(0), EncodeInteger(0),
                            EncodeOctetString(""), EncodeOctetString(""), EncodeOctetString("")}));
  const Bytes pdu =
      EncodeElement(kGetRequestPdu, Join({EncodeInteger(requestId), EncodeInteger(0),
                                          EncodeInteger(0), EncodeElement(ber::kSequence, {})}));
  const Bytes scopedPdu =
      EncodeElement(ber::kSequence, Join({EncodeOctetString(""), EncodeOctetString(""), pdu}));
  return EncodeElement(ber::kSequence,
                       Join({EncodeInteger(static_cast<std::int64_t>(SnmpVersion::kV3)), globalData,
                             EncodeOctetString(securityParameters), scopedPdu}));
}

std::optional<EngineReport> DecodeEngineReport(ByteView datagram) {
  BerReader outer(datagram);
  BerReader message(ByteView{});
  BerReader globalData(ByteView{});
  std::int64_t version = 0;
  std::int64_t messageId = 0;
  std::int64_t maxSize = 0;
  ByteView flags;
  std::int64_t securityModel = 0;
  ByteView securityBytes;
  if (!outer.Enter(ber::kSequence, message) || !outer.AtEnd() || !message.ReadInteger(version) ||
      version != 3 || !message.Enter(ber::kSequence, globalData) ||
      !globalData.ReadInteger(messageId) || !globalData.ReadInteger(maxSize) ||
      !globalData.ReadOctetString(flags) || flags.size() != 1 ||
      !globalData.ReadInteger(securityModel) || securityModel != kUserSecurityModel ||
      !IsRequestId(messageId) || !message.ReadOctetString(securityBytes)) {
    return std::nullopt;
  }

  BerReader securityOuter(securityBytes);
  BerReader security(ByteView{});
  ByteView engineId;
  if (!securityOuter.Enter(ber::kSequence, security) || !securityOuter.AtEnd() ||
      !security.ReadOctetString(engineId) || engineId.empty() ||
      engineId.size() > kEngineIdMaxSize) {
    return std::nullopt;
  }

  // An encrypted scoped PDU cannot be read here; a plain one must be a
  // Report or a Response.
  if (!(flags[0] & kPrivacyFlag)) {
    BerReader scoped(ByteView{});
    ByteView contextEngine;
    ByteView contextName;
    std::uint8_t pduTag = 0;
    ByteView pdu;
    if (!message.Enter(ber::kSequence, scoped) || !scoped.ReadOctetString(contextEngine) ||
        !scoped.ReadOctetString(contextName) || !scoped.ReadAny(pduTag, pdu) ||
        (pduTag != kReportPdu && pduTag != kResponsePdu)) {
      return std::nullopt;
    }
  }

  EngineReport report;
  report.messageId = static_cast<std::int32_t>(messageId);
  report.engineId.assign(engineId.begin(), engineId.end());
  return report;
}

std::string EngineIdText(ByteView engineId) {
  if (engineId.size() < 5 || !(engineId[0] & 0x80) || engineId[4] != kEngineIdTextFormat) {
    return {};
  }
  return TextUpToZero(engineId.subspan(5));
}

}  // namespace jobhost::devprobe
