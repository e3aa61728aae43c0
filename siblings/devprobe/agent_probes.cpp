#include "agent_probes.h"

#include <random>

#include "snmp_messages.h"

namespace jobhost::devprobe {

SysNameProbe::SysNameProbe(std::string community, std::int32_t v2cRequestId,
                           std::int32_t v1RequestId, bool printersOnly)
    : v2cRequestId_(v2cRequestId), v1RequestId_(v1RequestId), printersOnly_(printersOnly) {
  requests_.push_back(
      EncodeSysNameRequest(SnmpVersion::kV2c, community, v2cRequestId, printersOnly));
  requests_.push_back(EncodeSysNameRequest(SnmpVersion::kV1, community, v1RequestId, printersOnly));
}

std::optional<AgentAnswer> SysNameProbe::MatchAnswer(ByteView datagram) const {
  const auto response = DecodeSysNameResponse(datagram);
  if (!response) return std::nullopt;
  const std::int32_t expected =
      response->version == SnmpVersion::kV2c ? v2cRequestId_ : v1RequestId_;
  if (response->requestId != expected) return std::nullopt;
  // An SNMPv1 agent without hrDeviceType.1 answers with an error and no
  // value: not a printer either.
  return AgentAnswer{response->sysName, !printersOnly_ || response->isPrinter};
}

EngineIdProbe::EngineIdProbe(std::int32_t messageId, std::int32_t requestId)
    : messageId_(messageId) {
  requests_.push_back(EncodeEngineDiscovery(messageId, requestId));
}

std::optional<AgentAnswer> EngineIdProbe::MatchAnswer(ByteView datagram) const {
  const auto report = DecodeEngineReport(datagram);
  if (!report || report->messageId != messageId_) return std::nullopt;
  return AgentAnswer{EngineIdText(report->engineId)};
}

std::int32_t NewRequestId() {
  // Drawn from the system's entropy each time: a stranger on the network
  // must not be able to predict the next one and forge an answer.
  std::random_device entropy;
  std::uniform_int_distribution<std::int32_t> distribution(1, INT32_MAX);
  return distribution(entropy);
}

}  // namespace jobhost::devprobe
