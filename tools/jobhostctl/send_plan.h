#pragma once
// What "jobhostctl send" is to do, from its options.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.h"

namespace jobhost::ctl {

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
