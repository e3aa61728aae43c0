#pragma once
// File copies for overlay requests, with request paths turned into Linux ones.

#include <string>
#include <string_view>

#include "platform/files.h"

namespace jobhost::linux {

// Request paths use "\" as their separator ("/" separates request fields).
std::string LinuxPathOf(std::u16string_view requestPath);

class LinuxFiles : public Files {
 public:
  // Copies a regular file's contents and permission bits through a temporary
  // file beside the target, renamed over it: the target is either the old
  // file or the whole copy, never half of one. Any other source (FIFO,
  // socket, device, directory) fails at once and leaves the target as it was.
  bool CopyReplacing(std::u16string_view source, std::u16string_view target) override;
};

}  // namespace jobhost::linux
