#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/posix_system.h"
#include "platform/posix/unique_fd.h"

namespace jobhost {

void PosixDebugOutput::Send(std::string_view text) {
  const char* logPath = std::getenv("JOBHOST_DEBUG_LOG");
  if (logPath != nullptr && *logPath != '\0') {
    UniqueFd log(::open(logPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644));
    if (log) {
      // One write: O_APPEND keeps a whole text together; a failure is not reported.
      ssize_t written = ::write(log.get(), text.data(), text.size());
      static_cast<void>(written);
    }
    return;
  }
  ::syslog(LOG_DEBUG, "%.*s", static_cast<int>(text.size()), text.data());
}

}  // namespace jobhost
