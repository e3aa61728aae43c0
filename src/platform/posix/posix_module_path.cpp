#include "platform/posix/posix_system.h"
#include "platform/posix/process_table.h"
#include "support/utf.h"

namespace jobhost {

std::optional<std::u16string> PosixModulePath::Read() {
  auto path = ReadLinkWhole("/proc/self/exe");
  if (!path) return std::nullopt;
  return Utf8ToUtf16(*path);
}

}  // namespace jobhost
