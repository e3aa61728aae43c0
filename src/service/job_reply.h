#pragma once
// The reply to a request whose action succeeded.

#include <cstddef>
#include <vector>

#include "service/job_request.h"

namespace jobhost {

// "Port<kind>/<address>" for a port check, otherwise "RenderReady"; UTF-16LE
// bytes without a terminator. The port reply is sent whole: the address is
// bounded by its field, so the message is too.
std::vector<std::byte> ComposeJobReply(const JobRequest& request);

}  // namespace jobhost
