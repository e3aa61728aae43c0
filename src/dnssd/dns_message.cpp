#include "dnssd/dns_message.h"

#include <utility>

namespace jobhost::dnssd {
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

// Walks the name at `offset`, handing each label to onLabel. `end` receives
// where its bytes in place end: past its root, or past its first pointer.
// False when it is malformed.
template <typename OnLabel>
bool WalkName(Bytes message, std::size_t offset, std::size_t& end, OnLabel onLabel) {
  std::size_t encoded = 1;
  std::size_t partStart = offset;
  std::size_t position = offset;
  std::optional<std::size_t> pastFirstPointer;
  int jumps = 0;
  while (position < message.size()) {
    const std::uint8_t length = message[position];
    if (length == 0) {
      end = pastFirstPointer.value_or(position + 1);
      return true;
    }
    if ((length & 0xC0) == 0xC0) {
      const auto pointer = U16At(message, position);
      if (!pointer) return false;
      // Only backward of the part that points: no loop can form, and no
      // pointer reaches bytes the message has not yet read.
      const std::size_t target = *pointer & 0x3FFF;
      if (target >= partStart || ++jumps > kMaxPointerJumps) return false;
      if (!pastFirstPointer) pastFirstPointer = position + 2;
      partStart = position = target;
      continue;
    }
    // Label types 01 and 10 are reserved: nothing here can read them.
    if ((length & 0xC0) != 0) return false;
    encoded += 1 + length;
    if (encoded > kMaxDnsNameBytes || position + 1 + length > message.size()) return false;
    onLabel(message.subspan(position, 1 + length));
    position += 1 + length;
  }
  return false;
}

bool CheckName(Bytes message, std::size_t offset, std::size_t& end) {
  return WalkName(message, offset, end, [](Bytes) {});
}

// The name at `offset` of a checked message.
DnsName NameAt(Bytes message, std::size_t offset) {
  DnsName name;
  std::size_t end = 0;
  WalkName(message, offset, end, [&](Bytes label) {
    name.emplace_back(reinterpret_cast<const char*>(label.data()) + 1, label.size() - 1);
  });
  return name;
}

std::string PackedNameAt(Bytes message, std::size_t offset, bool fold) {
  std::string packed;
  std::size_t end = 0;
  WalkName(message, offset, end, [&](Bytes label) {
    packed += static_cast<char>(label[0]);  // its length
    for (std::uint8_t c : label.subspan(1)) {
      packed += fold ? FoldAsciiCase(static_cast<char>(c)) : static_cast<char>(c);
    }
  });
  return packed;
}

// A name that must fill the rest of a record's data exactly.
bool CheckNameEndingAt(Bytes message, std::size_t offset, std::size_t dataEnd) {
  std::size_t end = 0;
  return CheckName(message, offset, end) && end == dataEnd;
}

bool CheckData(Bytes message, DnsType type, std::size_t offset, std::size_t length) {
  const std::size_t end = offset + length;
  switch (type) {
    case DnsType::kPtr:
      return CheckNameEndingAt(message, offset, end);
    case DnsType::kSrv:
      return length >= 6 && CheckNameEndingAt(message, offset + 6, end);
    case DnsType::kA:
      return length == 4;
    case DnsType::kAaaa:
      return length == 16;
    default:
      return false;
  }
}

template <std::size_t N>
std::array<std::uint8_t, N> AddressAt(Bytes message, std::size_t offset) {
  std::array<std::uint8_t, N> address{};
  for (std::size_t i = 0; i < N; ++i) address[i] = message[offset + i];
  return address;
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

// Checks the record at `position` and moves past it, noting its place in
// `records` when it is of a kept type and class; false when it is malformed.
bool CheckRecord(Bytes message, std::size_t& position, std::vector<DnsRecordPlace>& records) {
  std::size_t fixedStart = 0;
  const std::size_t owner = position;
  if (!CheckName(message, owner, fixedStart)) return false;
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
  if (!CheckData(message, static_cast<DnsType>(*type), dataStart, *length)) return false;
  // A datagram holds at most 65535 bytes, so every offset fits 16 bits.
  records.push_back({static_cast<DnsType>(*type), *ttl, static_cast<std::uint16_t>(owner),
                     static_cast<std::uint16_t>(dataStart), *length});
  return true;
}

bool SkipQuestion(Bytes message, std::size_t& position) {
  std::size_t end = 0;
  if (!CheckName(message, position, end) || end + 4 > message.size()) return false;
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

std::optional<DnsResponse> DnsResponse::Read(std::span<const std::uint8_t> message) {
  // Offsets are kept in 16 bits; no datagram is larger.
  if (message.size() < kHeaderBytes || message.size() > 0xFFFF ||
      !IsPlainResponse(*U16At(message, 2))) {
    return std::nullopt;
  }
  const std::uint16_t counts[] = {*U16At(message, 4), *U16At(message, 6), *U16At(message, 8),
                                  *U16At(message, 10)};
  DnsResponse response(message, *U16At(message, 0));
  std::size_t position = kHeaderBytes;
  for (unsigned i = 0; i < counts[0]; ++i) {
    if (!SkipQuestion(message, position)) return std::nullopt;
  }
  const unsigned recordCount = unsigned{counts[1]} + counts[2] + counts[3];
  for (unsigned i = 0; i < recordCount; ++i) {
    // Trailing bytes past the counted records are left unread.
    if (!CheckRecord(message, position, response.records_)) return std::nullopt;
  }
  return response;
}

std::string DnsResponse::PackedOwner(const DnsRecordPlace& record, bool fold) const {
  return PackedNameAt(message_, record.owner, fold);
}

std::string DnsResponse::PackedTarget(const DnsRecordPlace& record, bool fold) const {
  return PackedNameAt(message_, record.data + (record.type == DnsType::kSrv ? 6 : 0), fold);
}

DnsName DnsResponse::Owner(const DnsRecordPlace& record) const {
  return NameAt(message_, record.owner);
}

DnsRecordData DnsResponse::Data(const DnsRecordPlace& record) const {
  switch (record.type) {
    case DnsType::kPtr:
      return DnsPtrData{NameAt(message_, record.data)};
    case DnsType::kSrv:
      return DnsSrvData{*U16At(message_, record.data), *U16At(message_, record.data + 2),
                        *U16At(message_, record.data + 4), NameAt(message_, record.data + 6)};
    case DnsType::kAaaa:
      return AddressAt<16>(message_, record.data);
    default:
      return AddressAt<4>(message_, record.data);
  }
}

std::optional<DnsMessage> DecodeDnsMessage(std::span<const std::uint8_t> message) {
  const std::optional<DnsResponse> response = DnsResponse::Read(message);
  if (!response) return std::nullopt;
  DnsMessage decoded;
  decoded.id = response->id();
  for (const DnsRecordPlace& record : response->records()) {
    decoded.records.push_back({response->Owner(record), record.ttl, response->Data(record)});
  }
  return decoded;
}

}  // namespace jobhost::dnssd
