#pragma once
// Whole files by UTF-8 path; only opening a file differs between platforms.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace jobhost::ctl {

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path);
// Replaces the file's content.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

// Opens the file in binary mode for reading or for replacing; nullptr on failure.
std::FILE* OpenBinaryFile(const std::string& path, bool forWriting);

}  // namespace jobhost::ctl
