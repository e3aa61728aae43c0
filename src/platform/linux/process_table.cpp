#include "platform/linux/process_table.h"

#include <dirent.h>
#include <unistd.h>

#include <charconv>
#include <memory>

namespace jobhost {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

std::optional<pid_t> PidOf(std::string_view entryName) {
  pid_t pid = 0;
  auto [end, error] = std::from_chars(entryName.data(), entryName.data() + entryName.size(), pid);
  if (error != std::errc() || end != entryName.data() + entryName.size() || pid <= 0) {
    return std::nullopt;
  }
  return pid;
}

}  // namespace

std::optional<std::string> ReadLinkWhole(const std::string& link) {
  // Grow until the target fits with room to spare: readlink cuts silently.
  for (std::size_t capacity = 256; capacity <= (1u << 20); capacity *= 2) {
    std::string target(capacity, '\0');
    ssize_t length = ::readlink(link.c_str(), target.data(), capacity);
    if (length < 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < capacity) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
  }
  return std::nullopt;
}

std::optional<std::string> ImageNameOf(pid_t pid) {
  auto target = ReadLinkWhole("/proc/" + std::to_string(pid) + "/exe");
  if (!target) return std::nullopt;
  auto slash = target->rfind('/');
  return slash == std::string::npos ? *target : target->substr(slash + 1);
}

bool ForEachProcess(const std::function<void(pid_t, std::string_view)>& visit) {
  std::unique_ptr<DIR, DirCloser> proc(::opendir("/proc"));
  if (!proc) return false;
  while (const dirent* entry = ::readdir(proc.get())) {
    auto pid = PidOf(entry->d_name);
    if (!pid) continue;
    if (auto name = ImageNameOf(*pid)) visit(*pid, *name);
  }
  return true;
}

}  // namespace jobhost
