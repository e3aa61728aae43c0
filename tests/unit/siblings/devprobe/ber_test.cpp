// The BER subset: shortest forms, and malformed elements refused.

#include "ber.h"

#include <gtest/gtest.h>

#include <string>

#include "test_messages.h"

namespace jobhost::devprobe {
namespace {

using namespace testing_messages;

TEST(BerCodec, IntegersUseTheShortestTwosComplementForm) {
  const struct {
    std::int64_t value;
    Bytes encoded;
  } cases[] = {
      {0, Of({0x02, 0x01, 0x00})},
      {127, Of({0x02, 0x01, 0x7F})},
      {128, Of({0x02, 0x02, 0x00, 0x80})},
      {-1, Of({0x02, 0x01, 0xFF})},
      {-128, Of({0x02, 0x01, 0x80})},
      {-129, Of({0x02, 0x02, 0xFF, 0x7F})},
      {INT32_MAX, Of({0x02, 0x04, 0x7F, 0xFF, 0xFF, 0xFF})},
      {INT32_MIN, Of({0x02, 0x04, 0x80, 0x00, 0x00, 0x00})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeInteger(c.value), c.encoded) << c.value;
    BerReader reader(c.encoded);
    std::int64_t decoded = 0;
    EXPECT_TRUE(reader.ReadInteger(decoded) && reader.AtEnd()) << c.value;
    EXPECT_EQ(decoded, c.value);
  }
}

TEST(BerCodec, LongContentGetsAMultiByteLength) {
  const Bytes content(300, 0x41);
  const Bytes encoded = EncodeOctetString(content);
  ASSERT_EQ(encoded.size(), 304u);
  EXPECT_EQ(Bytes(encoded.begin(), encoded.begin() + 4), Of({0x04, 0x82, 0x01, 0x2C}));
  BerReader reader(encoded);
  ByteView decoded;
  ASSERT_TRUE(reader.ReadOctetString(decoded));
  EXPECT_EQ(decoded.size(), 300u);
}

TEST(BerCodec, MalformedElementsAreRefused) {
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty input", {}},
      {"tag without length", Of({0x04})},
      {"length past the end", Of({0x04, 0x05, 'a', 'b'})},
      {"long length past the end", Of({0x04, 0x82, 0x01})},
      {"indefinite length", Of({0x04, 0x80, 0x00, 0x00})},
      {"five length bytes", Of({0x04, 0x85, 0, 0, 0, 0, 1, 'a'})},
      {"huge length", Of({0x04, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 'a'})},
      {"high tag number", Of({0x1F, 0x81, 0x01, 0x00})},
  };
  for (const auto& c : cases) {
    BerReader reader(c.bytes);
    std::uint8_t tag = 0;
    ByteView content;
    EXPECT_FALSE(reader.ReadAny(tag, content)) << c.what;
  }
  const Bytes integers[] = {Of({0x02, 0x00}), Of({0x02, 0x09, 0, 1, 2, 3, 4, 5, 6, 7, 8})};
  for (const Bytes& integer : integers) {
    BerReader reader(integer);
    std::int64_t value = 0;
    EXPECT_FALSE(reader.ReadInteger(value));
  }
}
}  // namespace
}  // namespace jobhost::devprobe
