#include "service/job_service.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "platform/debug_trace.h"
#include "service/job_actions.h"
#include "service/job_reply.h"
#include "service/job_request.h"
#include "support/utf.h"

namespace jobhost {
namespace {

enum class Served { kNextClient, kEnd };

using RequestBuffer = std::array<std::byte, kRequestMessageCapacity>;

// One client on one instance: its request, the action and the reply.
Served ServeClient(PipeInstance& instance, RequestBuffer& buffer, JobRequest& request,
                   const Family& family, Platform& platform) {
  if (!instance.WaitForClient()) return Served::kNextClient;

  ReadResult read = instance.ReadMessage(buffer, kRequestReadLimit);
  if (read.status == ReadStatus::kFatal) return Served::kEnd;
  // Nothing read means nothing to act on: the record of an earlier request
  // must never act twice.
  if (read.status != ReadStatus::kMessage || read.size == 0) return Served::kNextClient;

  ParseJobRequest(std::span(buffer).first(std::min(read.size, buffer.size())), request);
  PerformJobActions(request, family, platform);
  if (request.closeRequested != 0 || request.actionResult == 0) return Served::kEnd;

  ReplyStatus reply =
      instance.DeliverReply(ComposeJobReply(request), kReplyWriteAttempts, kReplyReadLimit);
  return reply == ReplyStatus::kFatal ? Served::kEnd : Served::kNextClient;
}

}  // namespace

int RunJobService(const Family& family, Platform& platform) {
  std::unique_ptr<PipeInstance> instance = platform.pipes.CreateFirstInstance(family.pipeName);
  if (!instance) {
    // Never serve behind another's name: whoever holds it would get the requests.
    DebugTrace(platform.debug, "pipe name %s is taken (or cannot be made): the service ends\n",
               Utf16ToUtf8(family.pipeName).c_str());
    return 0;
  }
  JobRequest request;
  RequestBuffer buffer{};
  while (ServeClient(*instance, buffer, request, family, platform) == Served::kNextClient) {
    // The served instance goes only once the next one exists, so the name is
    // never free; on an ending it is closed with the client still on it.
    std::unique_ptr<PipeInstance> next = instance->CreateNext();
    if (!next) return 0;
    instance = std::move(next);
  }
  return 0;
}

}  // namespace jobhost
