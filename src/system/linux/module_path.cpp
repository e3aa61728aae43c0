#include "system/module_path.h"

#include <dlfcn.h>

#include "support/utf.h"
#include "system/linux/read_link.h"

namespace jobhost {

std::optional<std::u16string> ProgramPath() {
  auto path = linux::ReadLinkWhole("/proc/self/exe");
  if (!path) return std::nullopt;
  return Utf8ToUtf16(*path);
}

// The dynamic linker's record of the object that maps code.
std::optional<std::u16string> ModulePathOf(const void* code) {
  Dl_info info{};
  if (::dladdr(code, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0')
    return std::nullopt;
  return Utf8ToUtf16(info.dli_fname);
}

}  // namespace jobhost
