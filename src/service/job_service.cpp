#include "service/job_service.h"

#include <algorithm>
#include <array>
#include <memory>

#include "service/job_actions.h"
#include "service/job_reply.h"
#include "service/job_request.h"

namespace jobhost {

int RunJobService(const Family& family, Platform& platform) {
  JobRequest request;
  std::array<std::byte, kRequestMessageCapacity> buffer{};
  for (;;) {
    std::unique_ptr<PipeInstance> instance = platform.pipes.CreateInstance(family.pipeName);
    if (!instance) return 0;
    if (!instance->WaitForClient()) continue;

    ReadResult read = instance->ReadMessage(buffer, kRequestReadLimit);
    if (read.status == ReadStatus::kFatal) return 0;
    // Nothing read means nothing to act on: the record of an earlier request
    // must never act twice.
    if (read.status != ReadStatus::kMessage || read.size == 0) continue;

    ParseJobRequest(std::span(buffer).first(std::min(read.size, buffer.size())), request);
    PerformJobActions(request, family, platform);
    if (request.closeRequested != 0 || request.actionResult == 0) return 0;

    ReplyStatus reply =
        instance->DeliverReply(ComposeJobReply(request), kReplyWriteAttempts, kReplyReadLimit);
    if (reply == ReplyStatus::kFatal) return 0;
  }
}

}  // namespace jobhost
