#pragma once
// The subcommands of jobhostctl and what they share: exit codes, output, and
// whole files by UTF-8 path (only opening a file differs between platforms).

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::ctl {

// The whole tool. arguments: UTF-8, without the program name. Returns the
// exit code.
int RunJobhostCtl(std::span<const std::string> arguments);

// Exit codes. send adds its own (see its help).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // also: key or value missing
inline constexpr int kExitUsage = 2;

int RunSend(std::span<const std::string> arguments);
int RunStorm(std::span<const std::string> arguments);
int RunReg(std::span<const std::string> arguments);
int RunRecord(std::span<const std::string> arguments);
int RunSearch(std::span<const std::string> arguments);

// Writes text to standard output as it is.
void PrintOut(std::string_view text);
// Writes "jobhostctl: <message>" and a line feed to standard error; returns code.
int Fail(int code, std::string_view message);
// Prints help to standard output and returns kExitOk.
int ShowHelp(std::string_view help);
// Prints "jobhostctl <version>" to standard output and returns kExitOk.
int ShowVersion();

// The whole file; nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path);
// Replaces the file's content.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

// Opens the file in binary mode for reading or for replacing; nullptr on failure.
std::FILE* OpenBinaryFile(const std::string& path, bool forWriting);

}  // namespace jobhost::ctl
