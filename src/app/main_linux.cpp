// The Linux program: argv is UTF-8; the core takes UTF-16 and does the rest.
// Nothing is written to stdout or stderr.

#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/linux/platform.h"
#include "support/utf.h"

int main(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  arguments.reserve(static_cast<std::size_t>(argc));
  for (int index = 0; index < argc; ++index) arguments.push_back(jobhost::Utf8ToUtf16(argv[index]));
  jobhost::linux::LinuxPlatform linuxPlatform;
  return jobhost::RunJobHost(arguments, linuxPlatform.platform);
}
