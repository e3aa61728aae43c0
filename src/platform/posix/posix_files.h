#pragma once
// File copies for overlay requests.

#include <string>
#include <string_view>

#include "platform/system.h"

namespace jobhost {

// Request paths use "\" as their separator ("/" separates request fields).
std::string PosixPathOf(std::u16string_view requestPath);

class PosixFiles : public Files {
 public:
  // Copies a regular file's contents and permission bits through a temporary
  // file beside the target, renamed over it: the target is either the old
  // file or the whole copy, never half of one.
  bool CopyReplacing(std::u16string_view source, std::u16string_view target) override;
};

}  // namespace jobhost
