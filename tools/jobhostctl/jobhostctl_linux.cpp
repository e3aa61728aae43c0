// The Linux parts of jobhostctl: its entry, and how a file is opened.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"

namespace jobhost::ctl {

// "e": not inherited by programs this tool starts.
std::FILE* OpenBinaryFile(const std::string& path, bool forWriting) {
  return std::fopen(path.c_str(), forWriting ? "wbe" : "rbe");
}

}  // namespace jobhost::ctl

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return jobhost::ctl::RunJobhostCtl(arguments);
}
