#include "request_message.h"

#include <gtest/gtest.h>

namespace jobhost::ctl {
namespace {

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

TEST(JobhostCtlRequest, PipeNameLosesTheWindowsNamespaceOnly) {
  EXPECT_EQ(PipeBaseName("\\\\.\\pipe\\vtlxpsnamedpipe"), "vtlxpsnamedpipe");
  EXPECT_EQ(PipeBaseName("vtlxpsnamedpipe"), "vtlxpsnamedpipe");
  EXPECT_EQ(PipeBaseName("\\\\.\\pip"), "\\\\.\\pip");
}

}  // namespace
}  // namespace jobhost::ctl
