#pragma once
// The action phase: does what one parsed request asks and leaves its outcome
// in actionResult (and, for a port check, portAddress).

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "family/family.h"
#include "platform/platform.h"
#include "service/job_request.h"

namespace jobhost {

inline constexpr std::chrono::milliseconds kConverterPollInterval{2000};
inline constexpr std::chrono::milliseconds kConverterWaitLimit{60000};
inline constexpr std::chrono::milliseconds kStopConverterDelay{5000};
// Capacity of the converter's image name, terminator included; a name that
// does not fit is neither waited for nor stopped.
inline constexpr std::size_t kImageNameCapacity = 256;

inline constexpr char kSnapshotFailureLine[] = "create snap fail\n";

void PerformJobActions(JobRequest& request, const Family& family, Platform& platform);

// Starts the sibling with the given suffix hidden; nullptr when its path does
// not fit or the system did not start it.
std::unique_ptr<LaunchedProcess> LaunchSibling(std::u16string_view suffix,
                                               std::optional<std::u16string_view> parameters,
                                               const Family& family, Platform& platform);

// 1 once a process of the converter's image name runs; 0 when the launch
// failed (launched is null), the launched process ended without a converter
// showing up, the wait limit passed, or the process list cannot be read.
std::int32_t WaitForConverter(const Family& family, LaunchedProcess* launched, Platform& platform);

}  // namespace jobhost
