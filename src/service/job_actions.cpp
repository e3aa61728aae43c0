#include "service/job_actions.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "port/port_inspection.h"
#include "support/bounded_text.h"

namespace jobhost {
namespace {

// prefix + "jobconvert.exe"; nullopt when it does not fit its capacity, since
// a cut name would name another program.
std::optional<std::u16string> ConverterImageName(const Family& family) {
  std::array<char16_t, kImageNameCapacity> text{};
  Status status =
      BoundedFormatW(text.data(), text.size(), u"%s%s", family.prefix.c_str(), kConverterSuffix);
  if (status != kStatusOk) return std::nullopt;
  return std::u16string(text.data());
}

bool ConverterRuns(const std::vector<std::u16string>& imageNames, std::u16string_view imageName) {
  // Case-sensitive whole-name equality, as the converter's name is the family's own.
  return std::find(imageNames.begin(), imageNames.end(), imageName) != imageNames.end();
}

void Render(JobRequest& request, const Family& family, Platform& platform) {
  std::unique_ptr<LaunchedProcess> converter =
      LaunchSibling(kConverterSuffix, request.renderArguments, family, platform);
  request.actionResult = WaitForConverter(family, converter.get(), platform);
}

void Duplex(JobRequest& request, const Family& family, Platform& platform) {
  request.actionResult = LaunchSibling(kDuplexSuffix, std::nullopt, family, platform) ? 1 : 0;
}

// Leaves actionResult as it is: the service ends, and only once the stop has
// finished, so a service started again at once never races this stop.
void EndRender(const Family& family, Platform& platform) {
  platform.clock.Sleep(kStopConverterDelay);
  std::optional<std::u16string> imageName = ConverterImageName(family);
  if (!imageName) return;
  platform.processes.StopByImageName(*imageName);
}

void CopyOverlay(JobRequest& request, Platform& platform) {
  request.actionResult =
      platform.files.CopyReplacing(request.overlaySource, request.overlayTarget) ? 1 : 0;
}

void CheckPort(JobRequest& request, const Family& family, Platform& platform) {
  std::array<char16_t, kPortAddressUnits> address{};
  request.actionResult = InspectPrinterPort(request.portPrinterName, address, family, platform);
  // The inspection leaves the buffer terminated.
  request.portAddress = std::u16string(address.data());
}

}  // namespace

std::unique_ptr<LaunchedProcess> LaunchSibling(std::u16string_view suffix,
                                               std::optional<std::u16string_view> parameters,
                                               const Family& family, Platform& platform) {
  std::optional<std::u16string> path = family.SiblingPath(suffix);
  if (!path) return nullptr;
  return platform.processes.Launch(*path, parameters);
}

std::int32_t WaitForConverter(const Family& family, LaunchedProcess* launched, Platform& platform) {
  if (launched == nullptr) return 0;
  std::optional<std::u16string> imageName = ConverterImageName(family);
  if (!imageName) return 0;
  const std::int64_t startMs = platform.clock.NowMs();
  for (;;) {
    // Asked before the look: a process that had ended by then and is not
    // in the list will not show up any more.
    bool ended = launched->HasEnded();
    std::optional<std::vector<std::u16string>> imageNames = platform.processes.ImageNames();
    if (!imageNames) {
      platform.debug.Send(kSnapshotFailureLine);
      return 0;
    }
    if (ConverterRuns(*imageNames, *imageName)) return 1;
    if (ended) return 0;
    if (platform.clock.NowMs() - startMs >= kConverterWaitLimit.count()) return 0;
    platform.clock.Sleep(kConverterPollInterval);
  }
}

void PerformJobActions(JobRequest& request, const Family& family, Platform& platform) {
  // At most one flag is set per request; the fixed order decides otherwise.
  if (request.renderRequested != 0) Render(request, family, platform);
  if (request.duplexRequested != 0) Duplex(request, family, platform);
  if (request.endRenderRequested != 0) EndRender(family, platform);
  if (request.createOverlayRequested != 0) CopyOverlay(request, platform);
  if (request.printOverlayRequested != 0) CopyOverlay(request, platform);
  if (request.checkPortRequested != 0) CheckPort(request, family, platform);
}

}  // namespace jobhost
