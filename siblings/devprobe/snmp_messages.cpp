#include "snmp_messages.h"

#include <algorithm>
#include <array>

#include "endpoint.h"

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
// RFC 3411 engine-ID formats: the byte after the enterprise number.
constexpr std::uint8_t kEngineIdIpv4Format = 1;
constexpr std::uint8_t kEngineIdIpv6Format = 2;
constexpr std::uint8_t kEngineIdMacFormat = 3;
constexpr std::uint8_t kEngineIdTextFormat = 4;
constexpr std::size_t kEngineIdHeaderSize = 5;

Bytes SysNameOid() {
  return EncodeObjectId({1, 3, 6, 1, 2, 1, 1, 5, 0});
}

// hrDeviceType.1 and the value a printer gives it, hrDevicePrinter.
Bytes DeviceTypeOid() {
  return EncodeObjectId({1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 2, 1});
}
Bytes PrinterTypeOid() {
  return EncodeObjectId({1, 3, 6, 1, 2, 1, 25, 3, 1, 5});
}

// The content bytes of an encoded object identifier (tag and length dropped).
bool IsOid(ByteView content, const Bytes& encoded) {
  return std::ranges::equal(content, ByteView(encoded).subspan(2));
}

bool IsRequestId(std::int64_t value) {
  return value >= INT32_MIN && value <= INT32_MAX;
}

std::string TextUpToZero(ByteView bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

// Reads every variable binding: sysName.0 holding an octet string gives the
// name, hrDeviceType.1 holding hrDevicePrinter marks a printer.
bool ReadBindings(BerReader& pdu, SysNameResponse& response) {
  BerReader bindings(ByteView{});
  if (!pdu.Enter(ber::kSequence, bindings)) return false;
  const Bytes sysName = SysNameOid();
  const Bytes deviceType = DeviceTypeOid();
  const Bytes printer = PrinterTypeOid();
  while (!bindings.AtEnd()) {
    BerReader binding(ByteView{});
    ByteView oid;
    ByteView value;
    std::uint8_t valueTag = 0;
    if (!bindings.Enter(ber::kSequence, binding) || !binding.Read(ber::kObjectId, oid) ||
        !binding.ReadAny(valueTag, value)) {
      return false;
    }
    if (valueTag == ber::kOctetString && IsOid(oid, sysName)) {
      response.sysName = TextUpToZero(value);
    } else if (valueTag == ber::kObjectId && IsOid(oid, deviceType) && IsOid(value, printer)) {
      response.isPrinter = true;
    }
  }
  return true;
}

// Appended character by character: no temporary strings to concatenate.
std::string MacText(ByteView mac) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(mac.size() * 3);
  for (std::size_t i = 0; i < mac.size(); ++i) {
    if (i != 0) text.push_back(':');
    text.push_back(kDigits[mac[i] >> 4]);
    text.push_back(kDigits[mac[i] & 0x0F]);
  }
  return text;
}

}  // namespace

Bytes EncodeSysNameRequest(SnmpVersion version, std::string_view community, std::int32_t requestId,
                           bool askDeviceType) {
  Bytes bindings = EncodeElement(ber::kSequence, Join({SysNameOid(), EncodeNull()}));
  if (askDeviceType) {
    const Bytes type = EncodeElement(ber::kSequence, Join({DeviceTypeOid(), EncodeNull()}));
    bindings.insert(bindings.end(), type.begin(), type.end());
  }
  const Bytes pdu = EncodeElement(
      kGetRequestPdu, Join({EncodeInteger(requestId), EncodeInteger(0), EncodeInteger(0),
                            EncodeElement(ber::kSequence, bindings)}));
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
  if (!ReadBindings(pdu, response)) return std::nullopt;
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
  if (engineId.size() < kEngineIdHeaderSize || !(engineId[0] & 0x80)) return {};
  const ByteView data = engineId.subspan(kEngineIdHeaderSize);
  switch (engineId[4]) {
    case kEngineIdTextFormat:
      return TextUpToZero(data);
    case kEngineIdMacFormat:
      return data.size() == 6 ? MacText(data) : std::string();
    case kEngineIdIpv4Format:
      return data.size() == 4 ? FormatIpv4(Ipv4Endpoint(data[0], data[1], data[2], data[3], 0))
                              : std::string();
    case kEngineIdIpv6Format: {
      if (data.size() != 16) return {};
      std::array<std::uint8_t, 16> address{};
      std::ranges::copy(data, address.begin());
      return FormatIpv6(address);
    }
    default:
      return {};
  }
}

}  // namespace jobhost::devprobe
