#pragma once
// What "jobhostctl send" is to do, from its options: the pipe, the limits and
// the request message's bytes; and how a reply prints.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.h"

namespace jobhost::ctl {

// "\\.\pipe\" is the Windows pipe namespace; a name given with it is taken
// without, and each platform adds what it needs.
std::string PipeBaseName(std::string_view name);

// The pipe's base name: --pipe's, else --prefix's (or defaultPrefix) +
// "xpsnamedpipe".
std::string PipeFromOptions(const ParsedArguments& parsed, std::string_view defaultPrefix);

// Reads an optional seconds option into limit; false (with error) when malformed.
bool ReadSeconds(const ParsedArguments& parsed, std::string_view name,
                 std::chrono::milliseconds& limit, std::string& error);

struct MessageRecipe {
  std::optional<std::string> request;  // UTF-8 text, sent as UTF-16LE
  bool terminator = false;             // a NUL unit after the text
  std::optional<std::size_t> size;     // pad with "x" units, or cut, to this many bytes
};

// The request's UTF-16LE bytes shaped as the recipe says.
std::vector<std::uint8_t> BuildRequestMessage(const MessageRecipe& recipe);

// A UTF-16LE reply as UTF-8; an odd last byte shows as U+FFFD.
std::string DecodeReply(std::span<const std::uint8_t> message);

inline constexpr std::chrono::seconds kDefaultConnectLimit{10};
inline constexpr std::chrono::seconds kDefaultReplyLimit{120};
inline constexpr std::chrono::seconds kDefaultHold{30};

extern const std::array<OptionRule, 11> kSendOptions;

struct SendPlan {
  std::string pipe;  // base name, without "\\.\pipe\"
  std::chrono::milliseconds connectLimit = kDefaultConnectLimit;
  // The wait for a reply; with silent, the hold.
  std::chrono::milliseconds replyLimit = kDefaultReplyLimit;
  std::vector<std::uint8_t> message;
  bool silent = false;
  bool vanish = false;
  bool replyHex = false;
};

// Fills plan from the parsed options; an error text when they are malformed
// or do not go together.
std::string MakeSendPlan(const ParsedArguments& parsed, std::string_view defaultPrefix,
                         SendPlan& plan);

}  // namespace jobhost::ctl
