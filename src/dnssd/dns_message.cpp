#include "dnssd/dns_message.h"

#include <utility>

namespace jobhost::network {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kHeaderBytes = 12;
constexpr std::uint16_t kClassIn = 1;
// Set in a response's class by a responder that owns the whole record set;
// it says nothing about the class itself.
constexpr std::uint16_t kCacheFlushBit = 0x8000;
constexpr std::uint16_t kResponseBit = 0x8000;

// Each jump of a sensible name lands on a label, and a name holds at most 127
// labels: a longer chain of pointers only spends the decoder's time.
constexpr int kMaxPointerJumps = 127;

void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

std::optional<std::uint16_t> U16At(Bytes message, std::size_t offset) {
  if (offset + 2 > message.size()) return std::nullopt;
  return static_cast<std::uint16_t>((message[offset] << 8) | message[offset + 1]);
}

std::optional<std::uint32_t> U32At(Bytes message, std::size_t offset) {
  const auto high = U16At(message, offset);
  const auto low = U16At(message, offset + 2);
  if (!high || !low) return std::nullopt;
  return (std::uint32_t{*high} << 16) | *low;
}

void AppendName(std::vector<std::uint8_t>& out, const DnsName& name) {
  for (const std::string& label : name) {
    out.push_back(static_cast<std::uint8_t>(label.size()));
    out.insert(out.end(), label.begin(), label.end());
  }
  out.push_back(0);
}

// The name at `offset`. `end` receives where its bytes in place end: past
// its root, or past its first pointer.
std::optional<DnsName> ReadName(Bytes message, std::size_t offset, std::size_t& end) {
  DnsName name;
  std::size_t encoded = 1;
  std::size_t partStart = offset;
  std::size_t position = offset;
  std::optional<std::size_t> pastFirstPointer;
  int jumps = 0;
  while (position < message.size()) {
    const std::uint8_t length = message[position];
    if (length == 0) {
      end = pastFirstPointer.value_or(position + 1);
      return name;
    }
    if ((length & 0xC0) == 0xC0) {
      const auto pointer = U16At(message, position);
      if (!pointer) return std::nullopt;
      // Only backward of the part that points: no loop can form, and no
      // pointer reaches bytes the message has not yet read.
      const std::size_t target = *pointer & 0x3FFF;
      if (target >= partStart || ++jumps > kMaxPointerJumps) return std::nullopt;
      if (!pastFirstPointer) pastFirstPointer = position + 2;
      partStart = position = target;
      continue;
    }
    // Label types 01 and 10 are reserved: nothing here can read them.
    if ((length & 0xC0) != 0) return std::nullopt;
    encoded += 1 + length;
    if (encoded > kMaxDnsNameBytes || position + 1 + length > message.size()) return std::nullopt;
    name.emplace_back(reinterpret_cast<const char*>(&message[position + 1]), length);
    position += 1 + length;
  }
  return std::nullopt;
}

// A name that must fill the rest of a record's data exactly.
std::optional<DnsName> ReadNameEndingAt(Bytes message, std::size_t offset, std::size_t dataEnd) {
  std::size_t end = 0;
  auto name = ReadName(message, offset, end);
  if (!name || end != dataEnd) return std::nullopt;
  return name;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ReadAddress(Bytes data) {
  if (data.size() != N) return std::nullopt;
  std::array<std::uint8_t, N> address{};
  for (std::size_t i = 0; i < N; ++i) address[i] = data[i];
  return address;
}

std::optional<DnsRecordData> ReadSrvData(Bytes message, std::size_t offset, std::size_t end) {
  if (offset + 6 > end) return std::nullopt;
  const auto priority = U16At(message, offset);
  const auto weight = U16At(message, offset + 2);
  const auto port = U16At(message, offset + 4);
  auto target = ReadNameEndingAt(message, offset + 6, end);
  if (!priority || !weight || !port || !target) return std::nullopt;
  return DnsSrvData{*priority, *weight, *port, std::move(*target)};
}

// The data of a kept type; nullopt when it disagrees with its length.
std::optional<DnsRecordData> ReadData(Bytes message, DnsType type, std::size_t offset,
                                      std::size_t length) {
  const std::size_t end = offset + length;
  switch (type) {
    case DnsType::kPtr:
      if (auto target = ReadNameEndingAt(message, offset, end)) return DnsPtrData{*target};
      return std::nullopt;
    case DnsType::kSrv:
      return ReadSrvData(message, offset, end);
    case DnsType::kA:
      return ReadAddress<4>(message.subspan(offset, length));
    case DnsType::kAaaa:
      return ReadAddress<16>(message.subspan(offset, length));
    default:
      return std::nullopt;
  }
}

bool IsKeptType(std::uint16_t type) {
  switch (static_cast<DnsType>(type)) {
    case DnsType::kPtr:
    case DnsType::kSrv:
    case DnsType::kA:
    case DnsType::kAaaa:
      return true;
    default:
      return false;
  }
}

// Reads the record at `position` and moves past it, keeping it in `records`
// when it is of a kept type and class; false when it is malformed.
bool ReadRecord(Bytes message, std::size_t& position, std::vector<DnsRecord>& records) {
  std::size_t fixedStart = 0;
  auto owner = ReadName(message, position, fixedStart);
  if (!owner) return false;
  const auto type = U16At(message, fixedStart);
  const auto recordClass = U16At(message, fixedStart + 2);
  const auto ttl = U32At(message, fixedStart + 4);
  const auto length = U16At(message, fixedStart + 8);
  const std::size_t dataStart = fixedStart + 10;
  if (!type || !recordClass || !ttl || !length || dataStart + *length > message.size()) {
    return false;
  }
  position = dataStart + *length;
  if ((*recordClass & ~kCacheFlushBit) != kClassIn || !IsKeptType(*type)) return true;
  auto data = ReadData(message, static_cast<DnsType>(*type), dataStart, *length);
  if (!data) return false;
  records.push_back({std::move(*owner), *ttl, std::move(*data)});
  return true;
}

bool SkipQuestion(Bytes message, std::size_t& position) {
  std::size_t end = 0;
  if (!ReadName(message, position, end) || end + 4 > message.size()) return false;
  position = end + 4;
  return true;
}

// Multicast DNS ignores anything but a standard query's response that
// reports no error.
bool IsPlainResponse(std::uint16_t flags) {
  const unsigned opcode = (flags >> 11) & 0xF;
  const unsigned responseCode = flags & 0xF;
  return (flags & kResponseBit) != 0 && opcode == 0 && responseCode == 0;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodeDnsQuery(std::uint16_t id,
                                                        std::span<const DnsQuestion> questions) {
  if (questions.size() > 0xFFFF) return std::nullopt;
  std::vector<std::uint8_t> query;
  AppendU16(query, id);
  AppendU16(query, 0);  // flags: a standard query
  AppendU16(query, static_cast<std::uint16_t>(questions.size()));
  for (int otherCounts = 0; otherCounts < 3; ++otherCounts) AppendU16(query, 0);
  for (const DnsQuestion& question : questions) {
    if (!IsSendableDnsName(question.name)) return std::nullopt;
    AppendName(query, question.name);
    AppendU16(query, static_cast<std::uint16_t>(question.type));
    AppendU16(query, kClassIn);
  }
  return query;
}

std::optional<DnsMessage> DecodeDnsMessage(std::span<const std::uint8_t> message) {
  if (message.size() < kHeaderBytes || !IsPlainResponse(*U16At(message, 2))) return std::nullopt;
  const std::uint16_t counts[] = {*U16At(message, 4), *U16At(message, 6), *U16At(message, 8),
                                  *U16At(message, 10)};
  DnsMessage decoded;
  decoded.id = *U16At(message, 0);
  std::size_t position = kHeaderBytes;
  for (unsigned i = 0; i < counts[0]; ++i) {
    if (!SkipQuestion(message, position)) return std::nullopt;
  }
  const unsigned recordCount = unsigned{counts[1]} + counts[2] + counts[3];
  for (unsigned i = 0; i < recordCount; ++i) {
    // Trailing bytes past the counted records are left unread.
    if (!ReadRecord(message, position, decoded.records)) return std::nullopt;
  }
  return decoded;
}

}  // namespace jobhost::network
