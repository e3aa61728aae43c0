#include "service/job_actions.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "fakes/test_family.h"
#include "fakes/test_platform.h"

namespace jobhost {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;
using testing::kFamily;
using testing::TestPlatform;

constexpr char16_t kConverterImage[] = u"vtljobconvert.exe";

JobRequest Requesting(std::int32_t JobRequest::*flag) {
  JobRequest request;
  request.*flag = 1;
  return request;
}

struct RenderCase {
  const char* rule;
  bool launchSucceeds;
  bool launchedProcessEnded;
  std::deque<std::vector<std::u16string>> snapshots;
  std::vector<std::u16string> running;
  std::int32_t result;
  int looks;
  milliseconds waited;
};

TEST(JobActions, RenderWaitsBoundedForTheConverter) {
  const std::u16string converter = kConverterImage;
  const RenderCase cases[] = {
      {"AlreadyRunningFoundByFirstLook", true, false, {}, {u"init", converter}, 1, 1, 0ms},
      {"PollsEveryTwoSeconds", true, false, {{}, {u"init"}}, {converter}, 1, 3, 4000ms},
      {"LaunchFailedEndsAtOnce", false, false, {}, {converter}, 0, 0, 0ms},
      {"LaunchedProcessEnded", true, true, {}, {}, 0, 1, 0ms},
      {"CaseDiffersNotRecognised", true, false, {}, {u"VTLjobconvert.exe"}, 0, 31, 60000ms},
      {"PathNotRecognised", true, false, {}, {u"C:\\Drivers\\vtljobconvert.exe"}, 0, 31, 60000ms},
  };
  for (const RenderCase& c : cases) {
    SCOPED_TRACE(c.rule);
    TestPlatform fakes;
    fakes.processes.launchSucceeds = c.launchSucceeds;
    fakes.processes.launchedProcessEnded = c.launchedProcessEnded;
    fakes.processes.snapshots = c.snapshots;
    fakes.processes.running = c.running;
    JobRequest request = Requesting(&JobRequest::renderRequested);
    request.renderArguments = u"job/1/a";
    PerformJobActions(request, kFamily, fakes.platform);
    EXPECT_EQ(request.actionResult, c.result);
    EXPECT_EQ(fakes.processes.looks, c.looks);
    EXPECT_EQ(milliseconds(fakes.clock.now), c.waited);
    for (milliseconds sleep : fakes.clock.sleeps) EXPECT_EQ(sleep, milliseconds(2000));
    ASSERT_EQ(fakes.processes.launches.size(), 1u);
    EXPECT_EQ(fakes.processes.launches[0].path, u"C:\\Drivers\\vtljobconvert.exe");
    EXPECT_EQ(fakes.processes.launches[0].parameters, u"job/1/a");
    EXPECT_EQ(fakes.processes.handlesOpen(), 0);
  }
}

TEST(JobActions, SnapshotFailureSendsTraceLineAndGivesZero) {
  TestPlatform fakes;
  fakes.processes.snapshotFailsAtLook = 2;
  JobRequest request = Requesting(&JobRequest::renderRequested);
  PerformJobActions(request, kFamily, fakes.platform);
  EXPECT_EQ(request.actionResult, 0);
  EXPECT_EQ(fakes.debug.texts, std::vector<std::string>{"create snap fail\n"});
}

TEST(JobActions, DuplexAndOverlayResultsAreTheSystemsOutcome) {
  using Copy = std::pair<std::u16string, std::u16string>;
  for (bool succeeds : {true, false}) {
    SCOPED_TRACE(succeeds);
    TestPlatform fakes;
    fakes.processes.launchSucceeds = succeeds;
    fakes.files.copySucceeds = succeeds;

    JobRequest duplex = Requesting(&JobRequest::duplexRequested);
    PerformJobActions(duplex, kFamily, fakes.platform);
    EXPECT_EQ(duplex.actionResult, succeeds ? 1 : 0);
    ASSERT_EQ(fakes.processes.launches.size(), 1u);
    EXPECT_EQ(fakes.processes.launches[0].path, u"C:\\Drivers\\vtlflipguide.exe");
    EXPECT_EQ(fakes.processes.launches[0].parameters, std::nullopt);
    EXPECT_EQ(fakes.processes.handlesOpen(), 0);

    for (auto flag : {&JobRequest::createOverlayRequested, &JobRequest::printOverlayRequested}) {
      JobRequest overlay = Requesting(flag);
      overlay.overlaySource = u"C:\\a.xps";
      overlay.overlayTarget = u"C:\\b.xps";
      PerformJobActions(overlay, kFamily, fakes.platform);
      EXPECT_EQ(overlay.actionResult, succeeds ? 1 : 0);
      EXPECT_EQ(fakes.files.copies.back(), Copy(u"C:\\a.xps", u"C:\\b.xps"));
    }
  }
}

TEST(JobActions, NamesThatDoNotFitFailInsteadOfBeingCut) {
  // prefix + "jobconvert.exe" is 257 units: the sibling path still fits its
  // 260, the 256-unit image name does not.
  const std::u16string prefix(243, u'p');
  TestPlatform fakes;
  fakes.processes.running = {prefix + u"jobconvert.exe"};
  JobRequest render = Requesting(&JobRequest::renderRequested);
  PerformJobActions(render, DeriveFamily(prefix + u"svc.exe"), fakes.platform);
  EXPECT_EQ(render.actionResult, 0);
  EXPECT_EQ(fakes.processes.looks, 0);

  JobRequest endRender = Requesting(&JobRequest::endRenderRequested);
  PerformJobActions(endRender, DeriveFamily(prefix + u"svc.exe"), fakes.platform);
  EXPECT_TRUE(fakes.processes.stops.empty());

  // A sibling path over 260 units is not launched.
  JobRequest duplex = Requesting(&JobRequest::duplexRequested);
  PerformJobActions(duplex, DeriveFamily(u"C:\\" + std::u16string(250, u'p') + u"svc.exe"),
                    fakes.platform);
  EXPECT_EQ(duplex.actionResult, 0);
  EXPECT_EQ(fakes.processes.launches.size(), 1u);  // the render's only

  // An image name of exactly 255 units still fits, for the stop as for the wait.
  const std::u16string fitting(255 - 14, u'p');
  PerformJobActions(endRender, DeriveFamily(fitting + u"svc.exe"), fakes.platform);
  ASSERT_EQ(fakes.processes.stops.size(), 1u);
  EXPECT_EQ(fakes.processes.stops[0].imageName, fitting + u"jobconvert.exe");
}

}  // namespace
}  // namespace jobhost
