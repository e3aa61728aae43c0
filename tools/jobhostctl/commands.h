#pragma once
// The subcommands of jobhostctl and what they share.

#include <span>
#include <string>
#include <string_view>

namespace jobhost::ctl {

// Exit codes. send adds its own (see its help).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // also: key or value missing
inline constexpr int kExitUsage = 2;

int RunSend(std::span<const std::string> arguments);
int RunStorm(std::span<const std::string> arguments);
int RunReg(std::span<const std::string> arguments);
int RunRecord(std::span<const std::string> arguments);

// Writes text to standard output as it is.
void PrintOut(std::string_view text);
// Writes "jobhostctl: <message>" and a line feed to standard error; returns code.
int Fail(int code, std::string_view message);
// Prints help to standard output and returns kExitOk.
int ShowHelp(std::string_view help);

}  // namespace jobhost::ctl
