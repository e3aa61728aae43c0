#include "system/linux/abstract_socket.h"

#include <gtest/gtest.h>

#include <string>

namespace jobhost::linux {
namespace {

TEST(AbstractSocketAddress, NameFollowsTheLeadingNulAndTheLengthCountsNoTerminator) {
  const struct {
    std::string name;
    bool fits;
  } cases[] = {
      {"vtlxpsnamedpipe", true},      {std::string(107, 'n'), true},
      {std::string(108, 'n'), false}, {"", false},
      {std::string("a\0b", 3), true},  // bytes, not a C string
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.size());
    const auto address = AbstractSocketAddressOf(c.name);
    ASSERT_EQ(address.has_value(), c.fits);
    if (!address) continue;
    EXPECT_EQ(address->address.sun_family, AF_UNIX);
    EXPECT_EQ(address->address.sun_path[0], '\0');
    EXPECT_EQ(std::string(address->address.sun_path + 1, c.name.size()), c.name);
    EXPECT_EQ(address->length, offsetof(sockaddr_un, sun_path) + 1 + c.name.size());
  }
}

}  // namespace
}  // namespace jobhost::linux
