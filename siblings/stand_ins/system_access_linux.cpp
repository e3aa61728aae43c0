#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "system/linux/unique_fd.h"
#include "system_access.h"

namespace jobhost::stand_in {

bool AppendToFile(const std::string& path, std::string_view text) {
  const linux::UniqueFd file(open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  return file && write(file.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

// "e": not inherited by programs a stand-in might start.
std::FILE* OpenForReading(const std::string& path) {
  return std::fopen(path.c_str(), "rbe");
}

}  // namespace jobhost::stand_in
