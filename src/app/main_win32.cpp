// The program's entry on Windows: wide arguments in, the real platform wired in.

#include <windows.h>

#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/win32/platform.h"
#include "system/win32/wide_text.h"

int wmain(int argc, wchar_t** argv) {
  // No system error dialogs (a sibling library that fails to load, a missing
  // drive): nobody is there to dismiss them and the service would wait. The
  // programs this one starts (converter, duplex program) inherit the mode.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  std::vector<std::u16string> arguments;
  arguments.reserve(argc > 0 ? static_cast<std::size_t>(argc) : 0);
  for (int i = 0; i < argc; ++i) arguments.push_back(jobhost::win32::FromWide(argv[i]));

  jobhost::win32::Win32Platform platform;
  return jobhost::RunJobHost(arguments, platform.platform);
}
