#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "support/utf.h"

int wmain(int argc, wchar_t** argv) {
  // Output is UTF-8 with bare line feeds, byte for byte as on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    std::wstring_view argument(argv[i]);
    arguments.push_back(jobhost::Utf16ToUtf8(std::u16string(argument.begin(), argument.end())));
  }
  return jobhost::ctl::RunJobhostCtl(arguments);
}
