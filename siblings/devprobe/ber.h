#pragma once
// The subset of BER that SNMP messages use: single-byte tags, definite
// lengths, integers up to 64 bits. The reader never looks outside the bytes it
// was given and refuses anything it cannot vouch for.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "support/bytes.h"

namespace jobhost::devprobe {

namespace ber {
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kOctetString = 0x04;
inline constexpr std::uint8_t kNull = 0x05;
inline constexpr std::uint8_t kObjectId = 0x06;
inline constexpr std::uint8_t kSequence = 0x30;
}  // namespace ber

class BerReader {
 public:
  explicit BerReader(ByteView bytes) : rest_(bytes) {}

  // Reads the next element whatever its tag.
  bool ReadAny(std::uint8_t& tag, ByteView& content);
  // Reads the next element; fails when its tag differs.
  bool Read(std::uint8_t expectedTag, ByteView& content);
  bool ReadInteger(std::int64_t& value);
  bool ReadOctetString(ByteView& content) { return Read(ber::kOctetString, content); }
  // Opens a constructed element of the given tag for reading its members.
  bool Enter(std::uint8_t expectedTag, BerReader& members);

  bool AtEnd() const { return rest_.empty(); }

 private:
  ByteView rest_;
};

// Decodes a two's-complement integer of 1 to 8 content bytes.
bool DecodeInteger(ByteView content, std::int64_t& value);

// Encoders. Each returns one whole element.
Bytes EncodeElement(std::uint8_t tag, ByteView content);
Bytes EncodeInteger(std::int64_t value);
Bytes EncodeOctetString(ByteView content);
Bytes EncodeOctetString(std::string_view text);
Bytes EncodeNull();
Bytes EncodeObjectId(std::initializer_list<std::uint32_t> arcs);
// The concatenation of the given elements, e.g. a sequence's content.
Bytes Join(std::initializer_list<ByteView> parts);

}  // namespace jobhost::devprobe
