#pragma once
// What one search has reported so far. A search is the first find call and
// the calls after it on the same thread (the SNMPv3 pass): an agent one of
// them has reported is not reported again, so its first name stands and the
// caller's table holds each agent once. Each thread searches with a memory of
// its own, so searches on two threads at once neither clear nor hide each
// other's agents.

#include <set>

#include "endpoint.h"

namespace jobhost::devprobe {

class SearchMemory {
 public:
  // The memory of the calling thread's search.
  static SearchMemory& OfThisThread();
  // A new search: every earlier report is forgotten.
  void Start();
  // True the first time the search meets this agent (address, and scope for
  // IPv6), which is then remembered.
  bool Claim(const Endpoint& agent);

 private:
  std::set<AgentKey> reported_;
};

}  // namespace jobhost::devprobe
