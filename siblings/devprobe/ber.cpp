#include "ber.h"

namespace jobhost::devprobe {

namespace {

// Definite lengths of up to four length bytes: a UDP datagram is far smaller.
constexpr std::size_t kMaxLengthBytes = 4;

bool ReadLength(ByteView& rest, std::size_t& length) {
  if (rest.empty()) return false;
  const std::uint8_t first = rest[0];
  rest = rest.subspan(1);
  if (first < 0x80) {
    length = first;
    return true;
  }
  const std::size_t count = first & 0x7F;
  // 0x80 is the indefinite form, which SNMP forbids.
  if (count == 0 || count > kMaxLengthBytes || count > rest.size()) return false;
  length = 0;
  for (std::size_t i = 0; i < count; ++i) length = (length << 8) | rest[i];
  rest = rest.subspan(count);
  return true;
}

void AppendLength(Bytes& out, std::size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<std::uint8_t>(length));
    return;
  }
  std::uint8_t digits[sizeof(std::size_t)];
  std::size_t count = 0;
  for (std::size_t rest = length; rest != 0; rest >>= 8) digits[count++] = rest & 0xFF;
  out.push_back(static_cast<std::uint8_t>(0x80 | count));
  while (count > 0) out.push_back(digits[--count]);
}

void AppendBase128(Bytes& out, std::uint32_t value) {
  std::uint8_t digits[5];
  std::size_t count = 0;
  do {
    digits[count++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (count > 1) out.push_back(static_cast<std::uint8_t>(digits[--count] | 0x80));
  out.push_back(digits[0]);
}

}  // namespace

bool BerReader::ReadAny(std::uint8_t& tag, ByteView& content) {
  ByteView rest = rest_;
  if (rest.empty()) return false;
  tag = rest[0];
  // High tag numbers never occur in SNMP.
  if ((tag & 0x1F) == 0x1F) return false;
  rest = rest.subspan(1);
  std::size_t length = 0;
  if (!ReadLength(rest, length) || length > rest.size()) return false;
  content = rest.first(length);
  rest_ = rest.subspan(length);
  return true;
}

bool BerReader::Read(std::uint8_t expectedTag, ByteView& content) {
  BerReader probe = *this;
  std::uint8_t tag = 0;
  if (!probe.ReadAny(tag, content) || tag != expectedTag) return false;
  *this = probe;
  return true;
}

bool BerReader::ReadInteger(std::int64_t& value) {
  BerReader probe = *this;
  ByteView content;
  if (!probe.Read(ber::kInteger, content) || !DecodeInteger(content, value)) return false;
  *this = probe;
  return true;
}

bool BerReader::Enter(std::uint8_t expectedTag, BerReader& members) {
  ByteView content;
  if (!Read(expectedTag, content)) return false;
  members = BerReader(content);
  return true;
}

bool DecodeInteger(ByteView content, std::int64_t& value) {
  if (content.empty() || content.size() > 8) return false;
  std::uint64_t bits = (content[0] & 0x80) ? ~std::uint64_t{0} : 0;
  for (std::uint8_t byte : content) bits = (bits << 8) | byte;
  value = static_cast<std::int64_t>(bits);
  return true;
}

Bytes EncodeElement(std::uint8_t tag, ByteView content) {
  Bytes out;
  out.reserve(content.size() + 6);
  out.push_back(tag);
  AppendLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes EncodeInteger(std::int64_t value) {
  // Shortest two's-complement form: drop leading bytes that only repeat the sign.
  std::uint8_t digits[8];
  for (int i = 0; i < 8; ++i) digits[i] = static_cast<std::uint8_t>(value >> (8 * (7 - i)));
  int first = 0;
  while (first < 7 && ((digits[first] == 0x00 && !(digits[first + 1] & 0x80)) ||
                       (digits[first] == 0xFF && (digits[first + 1] & 0x80)))) {
    ++first;
  }
  return EncodeElement(ber::kInteger, ByteView(digits + first, 8 - first));
}

Bytes EncodeOctetString(ByteView content) {
  return EncodeElement(ber::kOctetString, content);
}

Bytes EncodeOctetString(std::string_view text) {
  return EncodeOctetString(
      ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

Bytes EncodeNull() {
  return EncodeElement(ber::kNull, {});
}

Bytes EncodeObjectId(std::initializer_list<std::uint32_t> arcs) {
  Bytes content;
  auto arc = arcs.begin();
  if (arcs.size() >= 2) {
    const std::uint32_t first = *arc++;
    AppendBase128(content, first * 40 + *arc++);
  }
  for (; arc != arcs.end(); ++arc) AppendBase128(content, *arc);
  return EncodeElement(ber::kObjectId, content);
}

Bytes Join(std::initializer_list<ByteView> parts) {
  Bytes out;
  for (ByteView part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace jobhost::devprobe
