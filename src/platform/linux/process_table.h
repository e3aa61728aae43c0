#pragma once
// The running processes as /proc shows them, by the file name of their image.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace jobhost::linux {

// The last path component of the process's executable; nullopt when its
// link cannot be read (another user's process, a kernel thread, gone).
std::optional<std::string> ImageNameOf(pid_t pid);

// Calls visit for every process whose image name can be read; false when
// /proc cannot be listed.
bool ForEachProcess(const std::function<void(pid_t, std::string_view)>& visit);

}  // namespace jobhost::linux
