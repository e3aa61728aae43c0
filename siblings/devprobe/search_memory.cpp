#include "search_memory.h"

namespace jobhost::devprobe {

void SearchMemory::Start() {
  const std::lock_guard lock(mutex_);
  reported_.clear();
}

bool SearchMemory::Claim(const Endpoint& agent) {
  const std::lock_guard lock(mutex_);
  return reported_.insert(KeyOf(agent)).second;
}

}  // namespace jobhost::devprobe
