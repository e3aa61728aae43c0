#include <memory>

#include "system_access.h"

namespace jobhost::stand_in {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(OpenForReading(path));
  if (!file) return std::nullopt;
  std::string content;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) content.append(chunk, got);
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return content;
}

}  // namespace jobhost::stand_in
