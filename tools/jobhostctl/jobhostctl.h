#pragma once
// jobhostctl: a tool that drives the job service and its stored settings.

#include <span>
#include <string>

namespace jobhost::ctl {

// arguments: UTF-8, without the program name. Returns the exit code.
int RunJobhostCtl(std::span<const std::string> arguments);

}  // namespace jobhost::ctl
