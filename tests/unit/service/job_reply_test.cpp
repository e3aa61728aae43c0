#include "service/job_reply.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "fakes/fake_pipe.h"

namespace jobhost {
namespace {

using testing::Utf16LeBytes;

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
    EXPECT_EQ(ComposeJobReply(request), Utf16LeBytes(u"RenderReady"));
  }
}

TEST(ComposeJobReply, PortReplyCarriesKindAndAddress) {
  const std::u16string longest(kPortAddressCapacity - 1, u'a');
  struct Case {
    std::int32_t kind;
    std::u16string address;
    std::u16string reply;
  } cases[] = {
      {1, u"", u"Port1/"},
      {2, u"192.0.2.5", u"Port2/192.0.2.5"},
      {3, u"fe80::1%4", u"Port3/fe80::1%4"},
      {-7, u"", u"Port-7/"},
      {INT_MAX, u"", u"Port2147483647/"},
      {INT_MIN, u"", u"Port-2147483648/"},
      // Longer than 255 characters: sent whole, never cut.
      {3, longest, u"Port3/" + longest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(ComposeJobReply(PortCheck(c.kind, c.address)), Utf16LeBytes(c.reply));
  }
}

}  // namespace
}  // namespace jobhost
