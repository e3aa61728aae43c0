#pragma once
// One discovery protocol of a find call, as the wait for answers drives it:
// what it sends and when, what it takes from a datagram, and what it found.
// The wait walks a list of them; their order ranks their reports and names.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "agent_probes.h"
#include "network.h"
#include "support/bytes.h"

namespace jobhost::devprobe {

// A printer a protocol found, and its name (empty while none came).
struct FoundPrinter {
  Endpoint address;
  std::string name;
};

// What a datagram was to a protocol.
struct Taken {
  // It answered this protocol's questions: no other protocol sees it.
  bool claimed = false;
  // An agent's answer (SNMP), for the wait to report at once or keep until
  // a name comes.
  std::optional<AgentAnswer> answer{};
};

class BrowseProtocol {
 public:
  virtual ~BrowseProtocol() = default;

  // The wait begins at startMs on the call's clock.
  virtual void Begin(std::int64_t /*startMs*/) {}
  // Sends one round, at each step of the shared send schedule; the number of
  // datagrams sent.
  virtual int SendRound(DatagramChannel& channel) = 0;
  // Sends what is due between rounds, until the deadline; the number sent.
  virtual int SendPaced(DatagramChannel& /*channel*/, Clock& /*clock*/, std::int64_t /*deadline*/) {
    return 0;
  }
  // True when paced sends may come, so a first round that sent nothing does
  // not end the call yet.
  virtual bool Paces() const { return false; }
  // The latest time the wait may sleep until; nullopt: no need to wake.
  virtual std::optional<std::int64_t> WakeUpMs(std::int64_t /*now*/) const { return std::nullopt; }
  // Moves on work that no datagram drives, for at most waitMs.
  virtual void Poll(Clock& /*clock*/, std::int64_t /*deadline*/, int /*waitMs*/) {}

  virtual Taken Take(DatagramChannel& channel, const Endpoint& from, ByteView datagram) = 0;
  // An agent another protocol has named: no effort is spent on its name.
  virtual void Named(const Endpoint& /*agent*/) {}

  // Whether the protocol learns names that a nameless agent may wait for.
  virtual bool GivesNames() const { return true; }
  // Each printer found, once per address.
  virtual std::vector<FoundPrinter> Printers() const = 0;
};

}  // namespace jobhost::devprobe
