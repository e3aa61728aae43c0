// The system's sockets keep the two promises the wait relies on: room for a
// burst of answers, and sends that never wait for room.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "network.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace jobhost::devprobe {
namespace {

using Clock = std::chrono::steady_clock;

TEST(SystemNetwork, ChannelsHoldAMebibyteEachWay) {
#ifndef _WIN32
  if (::geteuid() != 0) GTEST_SKIP() << "only root may pass net.core.rmem_max and wmem_max";
#endif
  const auto network = OpenSystemNetwork();
  ASSERT_TRUE(network);
  for (const auto family : {AddressFamily::kIpv4, AddressFamily::kIpv6}) {
    const auto channel = network->OpenChannel(family, true);
    if (!channel && family == AddressFamily::kIpv6) continue;  // a system without IPv6
    ASSERT_TRUE(channel);
    const auto buffers = channel->Buffers();
    ASSERT_TRUE(buffers);
    EXPECT_GE(buffers->receive, kReceiveBufferBytes);
    EXPECT_GE(buffers->send, kSendBufferBytes);
  }
}

// Run by tests/discovery/silent_lan_test.sh in a namespace where 10.79.0.0/16 is
// on-link and no host answers address resolution: each datagram holds its
// room in the send buffer for seconds, and eight to each of 500 hosts fill it.
TEST(SystemNetwork, SendsToHostsThatDoNotAnswerAddressResolutionReturnAtOnce) {
  if (!std::getenv("JOBHOST_SILENT_LAN")) GTEST_SKIP() << "needs silent_lan_test.sh";
  const auto channel = OpenSystemNetwork()->OpenChannel(AddressFamily::kIpv4, true);
  ASSERT_TRUE(channel);
  const std::vector<std::uint8_t> datagram(45, 0x30);
  Clock::duration slowest{};
  int refused = 0;
  for (int send = 0; send < 4000; ++send) {
    const int host = send % 500;
    const auto start = Clock::now();
    refused += !channel->Send(
        Ipv4Endpoint(10, 79, std::uint8_t(host / 250 + 1), std::uint8_t(host % 250 + 1), 161),
        datagram);
    slowest = std::max(slowest, Clock::now() - start);
  }
  EXPECT_GT(refused, 0) << "the send buffer never filled";
  EXPECT_LT(slowest, std::chrono::milliseconds(500)) << "a send that waits for room waits ~3 s";
}

}  // namespace
}  // namespace jobhost::devprobe
