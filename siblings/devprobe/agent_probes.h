#pragma once
// A probe is the question discovery asks every destination and the test an
// answer must pass: it carries its own request identifiers, so an answer to
// anything else, or a forged one that does not know them, is not accepted.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ber.h"

namespace jobhost::devprobe {

// An answer to one of a probe's requests.
struct AgentAnswer {
  std::string name;
  // false: the agent answered but is not one the search wants (not a
  // printer, when only printers are asked for).
  bool wanted = true;
};

class AgentProbe {
 public:
  virtual ~AgentProbe() = default;
  // The datagrams to send to each destination, in order.
  virtual const std::vector<Bytes>& Requests() const = 0;
  // What the datagram says when it answers one of the requests.
  virtual std::optional<AgentAnswer> MatchAnswer(ByteView datagram) const = 0;
};

// GetRequest for sysName.0 in SNMPv2c and in SNMPv1; the name is sysName.
class SysNameProbe : public AgentProbe {
 public:
  // The identifiers must differ: they tell which request an answer is for.
  // printersOnly also asks hrDeviceType.1 and wants only printers.
  SysNameProbe(std::string community, std::int32_t v2cRequestId, std::int32_t v1RequestId,
               bool printersOnly = false);
  const std::vector<Bytes>& Requests() const override { return requests_; }
  std::optional<AgentAnswer> MatchAnswer(ByteView datagram) const override;

 private:
  std::int32_t v2cRequestId_;
  std::int32_t v1RequestId_;
  bool printersOnly_;
  std::vector<Bytes> requests_;
};

// SNMPv3 engine-ID discovery; the name is the engine ID's text, if any.
class EngineIdProbe : public AgentProbe {
 public:
  EngineIdProbe(std::int32_t messageId, std::int32_t requestId);
  const std::vector<Bytes>& Requests() const override { return requests_; }
  std::optional<AgentAnswer> MatchAnswer(ByteView datagram) const override;

 private:
  std::int32_t messageId_;
  std::vector<Bytes> requests_;
};

// A fresh, hard to guess request identifier in 1 ... 2^31 - 1.
std::int32_t NewRequestId();

}  // namespace jobhost::devprobe
