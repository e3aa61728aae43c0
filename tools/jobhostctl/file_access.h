#pragma once
// Whole files by UTF-8 path, one implementation per platform.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace jobhost::ctl {

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path);
// Replaces the file's content.
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace jobhost::ctl
