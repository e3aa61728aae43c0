#pragma once
// The wait as FindAgents lists its protocols: SNMP first, then the others
// given (a null one is left out), so that a test's call reads in one line.

#include <initializer_list>
#include <vector>

#include "collect_agents.h"
#include "snmp_browse.h"

namespace jobhost::devprobe::testing_collect {

inline int CollectWithSnmp(DatagramChannel& channel, Clock& clock, const AgentProbe& probe,
                           const CollectPlan& plan, const AgentReport& report,
                           std::initializer_list<BrowseProtocol*> others = {},
                           SearchFailure* failure = nullptr) {
  SnmpBrowse snmp(probe, plan);
  std::vector<BrowseProtocol*> protocols{&snmp};
  for (BrowseProtocol* other : others) {
    if (other) protocols.push_back(other);
  }
  return CollectAgents(channel, clock, plan, protocols, report, failure);
}

}  // namespace jobhost::devprobe::testing_collect
