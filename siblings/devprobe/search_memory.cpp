#include "search_memory.h"

namespace jobhost::devprobe {

SearchMemory& SearchMemory::OfThisThread() {
  thread_local SearchMemory memory;
  return memory;
}

void SearchMemory::Start() {
  reported_.clear();
}

bool SearchMemory::Claim(const Endpoint& agent) {
  return reported_.insert(KeyOf(agent)).second;
}

}  // namespace jobhost::devprobe
