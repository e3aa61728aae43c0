#include "commands.h"

namespace jobhost::ctl {

// "e": not inherited by programs this tool starts.
std::FILE* OpenBinaryFile(const std::string& path, bool forWriting) {
  return std::fopen(path.c_str(), forWriting ? "wbe" : "rbe");
}

}  // namespace jobhost::ctl
