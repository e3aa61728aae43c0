#include "service/job_reply.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "fakes/fake_pipe.h"

namespace jobhost {
namespace {

using testing::HexBytes;

JobRequest PortCheck(std::int32_t kind, std::u16string address) {
  JobRequest request;
  request.checkPortRequested = 1;
  request.actionResult = kind;
  request.portAddress = std::move(address);
  return request;
}

TEST(ComposeJobReply, RenderReadyIsTwentyTwoBytesWithoutTerminator) {
  for (auto flag : {&JobRequest::renderRequested, &JobRequest::duplexRequested,
                    &JobRequest::createOverlayRequested, &JobRequest::printOverlayRequested}) {
    JobRequest request;
    request.*flag = 1;
    request.actionResult = 1;
    EXPECT_EQ(ComposeJobReply(request),
              HexBytes("52 00 65 00 6e 00 64 00 65 00 72 00 52 00 65 00 61 00 64 00 79 00"));
  }
}

TEST(ComposeJobReply, PortReplyCarriesKindAndAddress) {
  const std::string port = "50 00 6f 00 72 00 74 00 ";  // "Port"
  std::string longest = port + "33 00 2f 00";           // "3/"
  for (std::size_t i = 0; i + 1 < kPortAddressCapacity; ++i) longest += " 61 00";
  struct Case {
    std::int32_t kind;
    std::u16string address;
    std::string reply;
  } cases[] = {
      {1, u"", port + "31 00 2f 00"},
      {2, u"192.0.2.5", port + "32 00 2f 00 31 00 39 00 32 00 2e 00 30 00 2e 00 32 00 2e 00 35 00"},
      {3, u"fe80::1%4\u4e2d",
       port + "33 00 2f 00 66 00 65 00 38 00 30 00 3a 00 3a 00 31 00 25 00 34 00 2d 4e"},
      {-7, u"", port + "2d 00 37 00 2f 00"},
      {INT_MAX, u"", port + "32 00 31 00 34 00 37 00 34 00 38 00 33 00 36 00 34 00 37 00 2f 00"},
      {INT_MIN, u"",
       port + "2d 00 32 00 31 00 34 00 37 00 34 00 38 00 33 00 36 00 34 00 38 00 2f 00"},
      // Longer than 255 characters: sent whole, never cut.
      {3, std::u16string(kPortAddressCapacity - 1, u'a'), longest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(ComposeJobReply(PortCheck(c.kind, c.address)), HexBytes(c.reply));
  }
}

}  // namespace
}  // namespace jobhost
