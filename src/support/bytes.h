#pragma once
// Bytes as every message coder holds them: owned, or viewed.

#include <cstdint>
#include <span>
#include <vector>

namespace jobhost {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

}  // namespace jobhost
