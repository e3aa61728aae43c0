#include "platform/linux/process_table.h"

#include <dirent.h>
#include <unistd.h>

#include <charconv>

#include "system/linux/read_link.h"
#include "system/unique_resource.h"

namespace jobhost::linux {
namespace {

std::optional<pid_t> PidOf(std::string_view entryName) {
  pid_t pid = 0;
  auto [end, error] = std::from_chars(entryName.data(), entryName.data() + entryName.size(), pid);
  if (error != std::errc() || end != entryName.data() + entryName.size() || pid <= 0) {
    return std::nullopt;
  }
  return pid;
}

}  // namespace

std::optional<std::string> ImageNameOf(pid_t pid) {
  auto target = ReadLinkWhole("/proc/" + std::to_string(pid) + "/exe");
  if (!target) return std::nullopt;
  auto slash = target->rfind('/');
  return slash == std::string::npos ? *target : target->substr(slash + 1);
}

bool ForEachProcess(const std::function<void(pid_t, std::string_view)>& visit) {
  UniquePointer<DIR, ::closedir> proc(::opendir("/proc"));
  if (!proc) return false;
  while (const dirent* entry = ::readdir(proc.get())) {
    auto pid = PidOf(entry->d_name);
    if (!pid) continue;
    if (auto name = ImageNameOf(*pid)) visit(*pid, *name);
  }
  return true;
}

}  // namespace jobhost::linux
