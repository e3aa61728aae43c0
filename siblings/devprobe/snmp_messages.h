#pragma once
// The two SNMP exchanges of a discovery: a community-based GetRequest for
// sysName.0 (SNMPv1 and SNMPv2c), and SNMPv3 engine-ID discovery (a
// noAuthNoPriv request without user or engine, answered by a Report).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ber.h"

namespace jobhost::devprobe {

enum class SnmpVersion : std::int64_t { kV1 = 0, kV2c = 1, kV3 = 3 };

// What a community-based answer carries that discovery needs.
struct SysNameResponse {
  SnmpVersion version = SnmpVersion::kV1;
  std::int32_t requestId = 0;
  // sysName.0 when the answer holds it as an octet string, else empty.
  std::string sysName;
  // hrDeviceType.1 is hrDevicePrinter.
  bool isPrinter = false;
};

// What an SNMPv3 answer carries that discovery needs.
struct EngineReport {
  std::int32_t messageId = 0;
  Bytes engineId;
};

// With askDeviceType the request also asks hrDeviceType.1, so one answer
// tells whether the agent is a printer.
Bytes EncodeSysNameRequest(SnmpVersion version, std::string_view community, std::int32_t requestId,
                           bool askDeviceType = false);
// Decodes a GetResponse of version 1 or 2c. Anything else: nullopt.
std::optional<SysNameResponse> DecodeSysNameResponse(ByteView datagram);

Bytes EncodeEngineDiscovery(std::int32_t messageId, std::int32_t requestId);
// Decodes an SNMPv3 USM answer with a non-empty authoritative engine ID.
std::optional<EngineReport> DecodeEngineReport(ByteView datagram);

// The readable form of an engine ID of RFC 3411's formats (enterprise bit
// set): text (4) cut at a zero byte, MAC (3) as xx:xx:xx:xx:xx:xx, IPv4 (1)
// dotted, IPv6 (2) in the search's IPv6 text form; anything else empty.
std::string EngineIdText(ByteView engineId);

}  // namespace jobhost::devprobe
