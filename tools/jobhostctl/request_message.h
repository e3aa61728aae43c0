#pragma once
// Request messages as a client sends them, and reply messages as it prints them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::ctl {

// "\\.\pipe\" is the Windows pipe namespace; a name given with it is taken
// without, and each platform adds what it needs.
std::string PipeBaseName(std::string_view name);

struct MessageRecipe {
  std::optional<std::string> request;  // UTF-8 text, sent as UTF-16LE
  bool terminator = false;             // a NUL unit after the text
  std::optional<std::size_t> size;     // pad with "x" units, or cut, to this many bytes
};

// The request's UTF-16LE bytes shaped as the recipe says.
std::vector<std::uint8_t> BuildRequestMessage(const MessageRecipe& recipe);

// A UTF-16LE reply as UTF-8; an odd last byte shows as U+FFFD.
std::string DecodeReply(std::span<const std::uint8_t> message);

}  // namespace jobhost::ctl
