#include "support/bounded_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace jobhost {
namespace {

std::string Filled(std::size_t length, char c = 'a') {
  return std::string(length, c);
}

struct AppendCase {
  const char* name;
  std::size_t existing;  // characters already in the 256-byte destination
  std::string source;
  Status status;
  std::size_t resultLength;
};

TEST(BoundedAppendA, FollowsTheCountedContract) {
  const AppendCase cases[] = {
      {"full destination, non-empty source", 255, "x", kStatusInsufficientBuffer, 255},
      {"full destination, empty source", 255, "", kStatusOk, 255},
      {"source makes exactly 255", 250, "12345", kStatusOk, 255},
      {"one character more drops the last", 250, "123456", kStatusInsufficientBuffer, 255},
      {"empty destination", 0, ":", kStatusOk, 1},
  };
  for (const auto& c : cases) {
    std::vector<char> destination(256, '\0');
    std::string before = Filled(c.existing);
    std::copy(before.begin(), before.end(), destination.begin());
    EXPECT_EQ(BoundedAppendA(destination.data(), 256, c.source.c_str()), c.status) << c.name;
    std::string result(destination.data());
    EXPECT_EQ(result.size(), c.resultLength) << c.name;
    std::string expected = (before + c.source).substr(0, c.resultLength);
    EXPECT_EQ(result, expected) << c.name;
  }
}

TEST(BoundedAppendA, UnterminatedDestinationIsRejectedUntouched) {
  std::vector<char> destination(300, 'z');
  EXPECT_EQ(BoundedAppendA(destination.data(), 256, "x"), kStatusInvalidArgument);
  EXPECT_EQ(std::string(destination.begin(), destination.end()), std::string(300, 'z'));
}

TEST(BoundedAppendA, CapacityOutOfRangeIsRejected) {
  char destination[4] = "ab";
  EXPECT_EQ(BoundedAppendA(destination, 0, "x"), kStatusInvalidArgument);
  EXPECT_EQ(BoundedAppendA(destination, 0x80000000u, "x"), kStatusInvalidArgument);
  EXPECT_STREQ(destination, "ab");
}

TEST(BoundedFormatW, KeepsCapacityMinusOneUnits) {
  char16_t destination[8];
  EXPECT_EQ(BoundedFormatW(destination, 8, u"%s%s", u"abc", u"defg"), kStatusOk);
  EXPECT_EQ(std::u16string(destination), u"abcdefg");
  EXPECT_EQ(BoundedFormatW(destination, 8, u"%s%s", u"abcd", u"efgh"), kStatusInsufficientBuffer);
  EXPECT_EQ(std::u16string(destination), u"abcdefg");
}

TEST(BoundedFormat, CapacityOneAndInvalidCapacities) {
  char16_t wide[2] = {u'q', u'q'};
  EXPECT_EQ(BoundedFormatW(wide, 1, u"%s", u""), kStatusOk);
  EXPECT_EQ(wide[0], 0);
  wide[0] = u'q';
  EXPECT_EQ(BoundedFormatW(wide, 1, u"%d", 5), kStatusInsufficientBuffer);
  EXPECT_EQ(wide[0], 0);

  char narrow[2] = {'q', 'q'};
  EXPECT_EQ(BoundedFormatA(narrow, 0, "%d", 5), kStatusInvalidArgument);
  EXPECT_EQ(BoundedFormatA(narrow, 0x80000000u, "%d", 5), kStatusInvalidArgument);
  EXPECT_EQ(narrow[0], 'q');
  EXPECT_EQ(BoundedFormatA(narrow, 1, "x"), kStatusInsufficientBuffer);
  EXPECT_EQ(narrow[0], 0);
}

TEST(BoundedFormat, ConversionsTheSystemUses) {
  struct Case {
    std::string expected;
    std::string actual;
  };
  char buffer[64];
  auto format = [&](auto... args) {
    BoundedFormatA(buffer, sizeof buffer, args...);
    return std::string(buffer);
  };
  const Case cases[] = {
      {"0d", format("%02x", 0x0d)},
      {"b8", format("%02x", 0xb8)},
      {"00", format("%02x", 0)},
      {"-2147483648", format("%d", static_cast<int>(0x80000000u))},
      {"GetPrinter() fail, GetLastError is 1801",
       format("GetPrinter() fail, GetLastError is %d", 1801)},
      {"100%", format("%d%%", 100)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected);

  char16_t wide[64];
  BoundedFormatW(wide, 64, u"Port%d/%s", 3, u"192.0.2.10");
  EXPECT_EQ(std::u16string(wide), u"Port3/192.0.2.10");
}

TEST(BoundedFormat, UnknownConversionIsAFailureNotACrash) {
  char buffer[16];
  EXPECT_EQ(BoundedFormatA(buffer, sizeof buffer, "ab%q"), kStatusInsufficientBuffer);
  EXPECT_STREQ(buffer, "ab");
}

}  // namespace
}  // namespace jobhost
