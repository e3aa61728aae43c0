#include "send_plan.h"

#include <gtest/gtest.h>

namespace jobhost::ctl {
namespace {

std::string Plan(std::vector<std::string> arguments, SendPlan& plan) {
  ParsedArguments parsed = ParseArguments(arguments, kSendOptions);
  if (!parsed.error.empty()) return parsed.error;
  return MakeSendPlan(parsed, "vtl", plan);
}

TEST(JobhostCtlSendPlan, OptionsThatContradictEachOtherAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {},                                         // nothing to send
      {"Close", "Duplex"},                        // two requests
      {"--prefix", "a", "--pipe", "b", "Close"},  // two pipe names
      {"--raw-hex", "00", "Close"},               // raw bytes and a request
      {"--raw-hex", "00", "--bytes", "4"},
      {"--raw-hex", "00", "--nul"},
      {"--raw-hex", "0"},     // odd digit count
      {"--silent", "Close"},  // silent sends nothing
      {"--silent", "--vanish"},
      {"--hold", "3", "Close"},      // hold without silent
      {"--timeout", "-1", "Close"},  // a negative limit would wait forever
      {"--reply-timeout", "x", "Close"},
      {"--bytes", "-1"},
      {"--nul"},  // a terminator alone is no request
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    SendPlan plan;
    EXPECT_NE(Plan(arguments, plan), "");
  }
}

TEST(JobhostCtlSendPlan, PipeNameComesFromPrefixOrIsGivenWhole) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"Close"}, "vtlxpsnamedpipe"},
      {{"--prefix", "abc", "Close"}, "abcxpsnamedpipe"},
      {{"--pipe", "\\\\.\\pipe\\other", "Close"}, "other"},
      {{"--pipe", "other", "Close"}, "other"},
      {{"--pipe", "\\\\.\\pip", "Close"}, "\\\\.\\pip"},  // the namespace only is dropped
  };
  for (const auto& [arguments, pipe] : cases) {
    SendPlan plan;
    ASSERT_EQ(Plan(arguments, plan), "");
    EXPECT_EQ(plan.pipe, pipe);
  }
}

TEST(JobhostCtlSendPlan, LimitsDefaultAndSilentWaitsForTheHold) {
  SendPlan plain;
  ASSERT_EQ(Plan({"Close"}, plain), "");
  EXPECT_EQ(plain.connectLimit, kDefaultConnectLimit);
  EXPECT_EQ(plain.replyLimit, kDefaultReplyLimit);

  SendPlan silent;
  ASSERT_EQ(Plan({"--silent"}, silent), "");
  EXPECT_TRUE(silent.silent);
  EXPECT_TRUE(silent.message.empty());
  EXPECT_EQ(silent.replyLimit, kDefaultHold);

  SendPlan held;
  ASSERT_EQ(Plan({"--silent", "--hold", "12.5", "--timeout", "0.25"}, held), "");
  EXPECT_EQ(held.replyLimit, std::chrono::milliseconds(12500));
  EXPECT_EQ(held.connectLimit, std::chrono::milliseconds(250));
}

TEST(JobhostCtlSendPlan, MessageIsRawHexOrTheShapedRequest) {
  SendPlan raw;
  ASSERT_EQ(Plan({"--raw-hex", "4300 6c00", "--vanish"}, raw), "");
  EXPECT_EQ(raw.message, (std::vector<std::uint8_t>{0x43, 0x00, 0x6c, 0x00}));
  EXPECT_TRUE(raw.vanish);

  SendPlan padded;
  ASSERT_EQ(Plan({"--bytes", "8194", "--nul", "Duplex"}, padded), "");
  ASSERT_EQ(padded.message.size(), 8194u);
  EXPECT_EQ(padded.message[12], 0);  // the terminator after "Duplex"
  EXPECT_EQ(padded.message[14], 'x');

  SendPlan empty;
  ASSERT_EQ(Plan({"--bytes", "0"}, empty), "");
  EXPECT_TRUE(empty.message.empty());
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string Repeated(std::string_view unit, std::size_t count) {
  std::string text;
  while (count-- > 0) text += unit;
  return text;
}

TEST(JobhostCtlRequest, MessagesAreUtf16LittleEndianShapedByTheRecipe) {
  using namespace std::string_literals;
  struct Case {
    std::optional<std::string> request;
    bool terminator;
    std::optional<std::size_t> size;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"Close", false, std::nullopt, "C\0l\0o\0s\0e\0"s},
      {"Close", true, std::nullopt, "C\0l\0o\0s\0e\0\0\0"s},
      {"\xC3\xA9\xF0\x9F\x98\x80", false, std::nullopt, "\xE9\0\x3D\xD8\x00\xDE"s},
      {"Duplex", false, 16, "D\0u\0p\0l\0e\0x\0x\0x\0"s},
      {"Duplex", false, 5, "D\0u\0p"s},
      {std::nullopt, false, 3, "x\0x"s},
      {std::nullopt, false, std::nullopt, ""s},
      // Past the pipe's 8192-byte buffer: exactly the asked size.
      {"Duplex", false, 8194, "D\0u\0p\0l\0e\0x\0"s + Repeated("x\0"s, 4091)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.value_or("(none)"));
    MessageRecipe recipe{c.request, c.terminator, c.size};
    EXPECT_EQ(BuildRequestMessage(recipe), Bytes(c.bytes));
  }
}

TEST(JobhostCtlRequest, RepliesAreDecodedFromUtf16) {
  using namespace std::string_literals;
  EXPECT_EQ(DecodeReply(Bytes("\xE9\0"s)), "\xC3\xA9");
  EXPECT_EQ(DecodeReply(Bytes("A\0B"s)), "A\xEF\xBF\xBD");  // odd last byte
}

}  // namespace
}  // namespace jobhost::ctl
