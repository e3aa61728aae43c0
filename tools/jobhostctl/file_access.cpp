#include "file_access.h"

#include <memory>

namespace jobhost::ctl {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path) {
  UniqueFile file(OpenBinaryFile(path, false));
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return bytes;
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  UniqueFile file(OpenBinaryFile(path, true));
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return std::fclose(file.release()) == 0 && written;
}

}  // namespace jobhost::ctl
