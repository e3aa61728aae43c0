#include "search_memory.h"

#include <gtest/gtest.h>

#include <thread>

#include "network/fake_network.h"

namespace jobhost::devprobe {
namespace {

TEST(SearchMemory, AnAgentIsClaimedOncePerSearch) {
  SearchMemory memory;
  const Endpoint a = Ipv4Endpoint(192, 0, 2, 7, 161);
  Endpoint aOtherPort = a;
  aOtherPort.port = 1161;
  const Endpoint v6 = network::testing::Ipv6Endpoint(
      {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 161, 2);
  Endpoint v6OtherScope = v6;
  v6OtherScope.scopeId = 3;
  EXPECT_TRUE(memory.Claim(a));
  EXPECT_FALSE(memory.Claim(a));
  EXPECT_FALSE(memory.Claim(aOtherPort)) << "one agent per address";
  EXPECT_TRUE(memory.Claim(v6));
  EXPECT_TRUE(memory.Claim(v6OtherScope)) << "another link";
  memory.Start();
  EXPECT_TRUE(memory.Claim(a)) << "a new search";
}

TEST(SearchMemory, EachThreadSearchesWithAMemoryOfItsOwn) {
  const Endpoint a = Ipv4Endpoint(192, 0, 2, 7, 161);
  SearchMemory& mine = SearchMemory::OfThisThread();
  mine.Start();
  EXPECT_TRUE(mine.Claim(a));
  std::thread([] { SearchMemory::OfThisThread().Start(); }).join();
  EXPECT_FALSE(mine.Claim(a)) << "not cleared by another thread's search";
  bool claimedThere = false;
  std::thread([&] { claimedThere = SearchMemory::OfThisThread().Claim(a); }).join();
  EXPECT_TRUE(claimedThere) << "not hidden from another thread's search";
}
}  // namespace
}  // namespace jobhost::devprobe
