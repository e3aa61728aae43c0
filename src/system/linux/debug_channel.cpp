#include "system/debug_channel.h"

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdlib>

#include "system/linux/unique_fd.h"

namespace jobhost {

// One write with O_APPEND, so texts of concurrent writers never interleave.
// "%.*s": the text is sent as given, not to its first NUL, and never read
// beyond its end (a string_view need not be terminated).
void SendDebugText(std::string_view text) {
  const char* logPath = std::getenv("JOBHOST_DEBUG_LOG");
  if (logPath != nullptr && *logPath != '\0') {
    linux::UniqueFd log(
        ::open(logPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644));
    if (log) {
      ssize_t written = ::write(log.get(), text.data(), text.size());
      static_cast<void>(written);
    }
    return;
  }
  ::syslog(LOG_DEBUG, "%.*s", static_cast<int>(text.size()), text.data());
}

}  // namespace jobhost
