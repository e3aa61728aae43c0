#include "search_memory.h"

namespace jobhost::devprobe {

void SearchMemory::Start() {
  const std::lock_guard lock(mutex_);
  reported_.clear();
}

bool SearchMemory::Claim(const Endpoint& agent) {
  const std::lock_guard lock(mutex_);
  const Key key{static_cast<int>(agent.family), agent.address, agent.scopeId};
  return reported_.insert(key).second;
}

}  // namespace jobhost::devprobe
