#include "commands.h"
#include "platform/win32/wide_text.h"
#include "support/utf.h"

namespace jobhost::ctl {

// The wide call, so paths outside the ANSI code page open too.
std::FILE* OpenBinaryFile(const std::string& path, bool forWriting) {
  return _wfopen(win32::ToWide(Utf8ToUtf16(path)).c_str(), forWriting ? L"wb" : L"rb");
}

}  // namespace jobhost::ctl
