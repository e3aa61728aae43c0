// The Windows parts of jobhostctl: its entry, and how a file is opened.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "system/win32/wide_text.h"

namespace jobhost::ctl {

// The wide call, so paths outside the ANSI code page open too.
std::FILE* OpenBinaryFile(const std::string& path, bool forWriting) {
  return _wfopen(win32::WideFromUtf8(path).c_str(), forWriting ? L"wb" : L"rb");
}

}  // namespace jobhost::ctl

int wmain(int argc, wchar_t** argv) {
  // Output is UTF-8 with bare line feeds, byte for byte as on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(jobhost::win32::Utf8FromWide(argv[i]));
  }
  return jobhost::ctl::RunJobhostCtl(arguments);
}
