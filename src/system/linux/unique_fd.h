#pragma once
// A file descriptor, closed on every path.

#include <unistd.h>

#include "system/unique_resource.h"

namespace jobhost::linux {

struct FdTraits {
  using Type = int;
  static Type Invalid() { return -1; }
  static void Release(Type fd) { ::close(fd); }
};
using UniqueFd = UniqueResource<FdTraits>;

}  // namespace jobhost::linux
