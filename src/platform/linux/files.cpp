#include "platform/linux/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/utf.h"
#include "system/linux/unique_fd.h"

namespace jobhost::linux {
namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CopyContents(int from, int to) {
  char block[64 * 1024];
  for (;;) {
    ssize_t got = ::read(from, block, sizeof block);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(to, block, static_cast<std::size_t>(got))) return false;
  }
}

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string pattern) : path_(std::move(pattern)) {
    fd_.reset(::mkostemp(path_.data(), O_CLOEXEC));
  }
  ~TemporaryFile() {
    if (fd_ && !kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_.get(); }
  bool RenameTo(const std::string& target) {
    kept_ = ::rename(path_.c_str(), target.c_str()) == 0;
    return kept_;
  }

 private:
  std::string path_;
  UniqueFd fd_;
  bool kept_ = false;
};

}  // namespace

std::string LinuxPathOf(std::u16string_view requestPath) {
  std::string path = Utf16ToUtf8(requestPath);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool LinuxFiles::CopyReplacing(std::u16string_view source, std::u16string_view target) {
  std::string from = LinuxPathOf(source);
  std::string to = LinuxPathOf(target);
  if (from.empty() || to.empty() || to.back() == '/') return false;
  if (from.find('\0') != std::string::npos || to.find('\0') != std::string::npos) return false;

  // Only a regular file is copied, and nothing may block before that is
  // known: opening a FIFO waits for a writer, which would stop the service
  // for every client. Non-blocking, the open returns at once whatever the
  // source is; a regular file then reads as usual.
  UniqueFd input(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat status {};
  if (!input || ::fstat(input.get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;

  // Beside the target, so the rename stays within one file system.
  TemporaryFile copy(to.substr(0, to.rfind('/') + 1) + ".jobhost-copy-XXXXXX");
  if (copy.fd() < 0) return false;
  if (!CopyContents(input.get(), copy.fd())) return false;
  if (::fchmod(copy.fd(), status.st_mode & 0777) != 0) return false;
  return copy.RenameTo(to);
}

}  // namespace jobhost::linux
