#include "system/debug_channel.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdlib>

#include "system/linux/unique_fd.h"

namespace jobhost {

// One write with O_APPEND, so texts of concurrent writers never interleave;
// the line feed a text lacks goes with it in that write. "%.*s": the text is
// sent as given, not to its first NUL, and never read beyond its end (a
// string_view need not be terminated).
void SendDebugText(std::string_view text) {
  const bool ended = !text.empty() && text.back() == '\n';
  const char* logPath = std::getenv("JOBHOST_DEBUG_LOG");
  if (logPath != nullptr && *logPath != '\0') {
    linux::UniqueFd log(
        ::open(logPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644));
    if (log) {
      char lineFeed = '\n';
      iovec parts[] = {{const_cast<char*>(text.data()), text.size()}, {&lineFeed, ended ? 0u : 1u}};
      ssize_t written = ::writev(log.get(), parts, 2);
      static_cast<void>(written);
    }
    return;
  }
  ::syslog(LOG_DEBUG, ended ? "%.*s" : "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace jobhost
