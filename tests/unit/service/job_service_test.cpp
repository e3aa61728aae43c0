#include "service/job_service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/test_platform.h"

namespace jobhost {
namespace {

using std::chrono::milliseconds;
using testing::InstanceScript;
using testing::TestPlatform;
using testing::Utf16LeBytes;

InstanceScript Sends(std::u16string_view request) {
  return {.message = Utf16LeBytes(request)};
}

InstanceScript ConnectFails() {
  return {.clientConnects = false};
}

InstanceScript ReadEndsWith(ReadStatus status, std::u16string_view leftInBuffer = u"") {
  return {.readStatus = status, .message = Utf16LeBytes(leftInBuffer)};
}

struct LoopCase {
  const char* rule;
  std::vector<InstanceScript> scripts;
  int instancesCreated;
  std::vector<std::u16string> replies;
  int duplexLaunches = 0;
};

std::vector<LoopCase> LoopCases() {
  return {
      // Taken by another process: never served behind it (one debug line).
      {"TakenNameEnds", {}, 0, {}},
      {"CloseEndsWithoutReply", {Sends(u"Close")}, 1, {}},
      {"UnknownRequestEndsWithoutReply", {Sends(u"Hello")}, 1, {}},
      {"EndRenderEndsWithoutReply", {Sends(u"EndRender")}, 1, {}},
      {"ConnectFailureServesNextInstance", {ConnectFails(), Sends(u"Close")}, 2, {}},
      {"ReplyDeliveredAndLoopContinues",
       {Sends(u"Duplex"), Sends(u"Duplex"), Sends(u"Close")},
       3,
       {u"RenderReady", u"RenderReady"},
       2},
      {"UndeliveredReplyStillContinues",
       {{.message = Utf16LeBytes(u"Duplex"), .replyStatus = ReplyStatus::kNotDelivered},
        Sends(u"Close")},
       2,
       {u"RenderReady"},
       1},
      {"FatalReplyEnds",
       {{.message = Utf16LeBytes(u"Duplex"), .replyStatus = ReplyStatus::kFatal}, Sends(u"Close")},
       1,
       {u"RenderReady"},
       1},
      // A failed read leaves no action: the earlier Duplex never runs again.
      {"FailedReadServesNextClientWithNoStaleAction",
       {Sends(u"Duplex"), ReadEndsWith(ReadStatus::kFailed, u"Duplex"), Sends(u"Close")},
       3,
       {u"RenderReady"},
       1},
      {"EmptyReadServesNextClient",
       {ReadEndsWith(ReadStatus::kMessage), Sends(u"Close")},
       2,
       {},
       0},
      {"FatalReadEnds", {ReadEndsWith(ReadStatus::kFatal, u"Duplex"), Sends(u"Close")}, 1, {}, 0},
      {"NextInstanceFailureEnds", {Sends(u"Duplex")}, 1, {u"RenderReady"}, 1},
  };
}

TEST(RunJobService, ServesClientsUntilARequestEndsIt) {
  for (const LoopCase& c : LoopCases()) {
    SCOPED_TRACE(c.rule);
    TestPlatform fakes;
    fakes.pipes.scripts.assign(c.scripts.begin(), c.scripts.end());

    EXPECT_EQ(RunJobService(testing::kFamily, fakes.platform), 0);

    EXPECT_EQ(fakes.pipes.created, c.instancesCreated);
    for (const auto& name : fakes.pipes.namesAsked) {
      EXPECT_EQ(name, u"\\\\.\\pipe\\vtlxpsnamedpipe");
    }
    std::vector<std::u16string> replies;
    for (const auto& reply : fakes.pipes.replies) {
      replies.push_back(reply.message == Utf16LeBytes(u"RenderReady") ? u"RenderReady"
                                                                      : u"(other)");
      EXPECT_EQ(reply.maxAttempts, 3);
      EXPECT_EQ(reply.limit, milliseconds(10000));
    }
    EXPECT_EQ(replies, c.replies);
    for (const auto& read : fakes.pipes.reads) {
      EXPECT_EQ(read.bufferSize, 8192u);
      EXPECT_EQ(read.limit, milliseconds(10000));
    }
    EXPECT_EQ(static_cast<int>(fakes.processes.launches.size()), c.duplexLaunches);
    EXPECT_EQ(fakes.pipes.open(), 0);
    const std::vector<std::string> taken = {
        "pipe name \\\\.\\pipe\\vtlxpsnamedpipe is taken (or cannot be made): the service "
        "ends\n"};
    EXPECT_EQ(fakes.debug.texts, c.instancesCreated == 0 ? taken : std::vector<std::string>{});
  }
}

TEST(RunJobService, PortCheckReplyCarriesKindAndAddress) {
  TestPlatform fakes;
  fakes.pipes.scripts = {Sends(u"CheckPort/Office"), Sends(u"Close")};
  fakes.spooler.printerOpens = false;  // the library's kind, no address
  fakes.libraries.Provide(
      u"C:\\Drivers\\vtlportlink.dll",
      {{"GetPortTypeByPrinterName",
        testing::ExportOf(+[](const char16_t*) -> std::int32_t { return 5; })}});
  EXPECT_EQ(RunJobService(testing::kFamily, fakes.platform), 0);
  ASSERT_EQ(fakes.pipes.replies.size(), 1u);
  EXPECT_EQ(fakes.pipes.replies[0].message,
            testing::HexBytes("50 00 6f 00 72 00 74 00 35 00 2f 00"));
}

}  // namespace
}  // namespace jobhost
