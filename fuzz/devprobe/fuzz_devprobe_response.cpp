// Answers from the network are hostile: no datagram may crash the decoders or
// make them read outside it, and what they accept must make sense. Each input
// is decoded as it is, and also laid over a valid answer of each kind so the
// deep fields get exercised too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "agent_probes.h"
#include "snmp_messages.h"

namespace {

using jobhost::Bytes;
using jobhost::ByteView;
using namespace jobhost::devprobe;

Bytes Sequence(std::initializer_list<ByteView> parts) {
  return EncodeElement(0x30, Join(parts));
}

Bytes ValidSysNameAnswer() {
  const Bytes binding =
      Sequence({EncodeObjectId({1, 3, 6, 1, 2, 1, 1, 5, 0}), EncodeOctetString("printer")});
  const Bytes pdu = EncodeElement(
      0xA2, Join({EncodeInteger(77), EncodeInteger(0), EncodeInteger(0), Sequence({binding})}));
  return Sequence({EncodeInteger(1), EncodeOctetString("public"), pdu});
}

Bytes ValidEngineReport() {
  const std::uint8_t engine[] = {0x80, 0, 0x1F, 0x88, 4, 'e', 'n', 'g'};
  const std::uint8_t flags[] = {0};
  const Bytes security =
      Sequence({EncodeOctetString(ByteView(engine)), EncodeInteger(1), EncodeInteger(2),
                EncodeOctetString(""), EncodeOctetString(""), EncodeOctetString("")});
  const Bytes report = EncodeElement(
      0xA8, Join({EncodeInteger(5), EncodeInteger(0), EncodeInteger(0), Sequence({})}));
  return Sequence({EncodeInteger(3),
                   Sequence({EncodeInteger(77), EncodeInteger(65507),
                             EncodeOctetString(ByteView(flags)), EncodeInteger(3)}),
                   EncodeOctetString(security),
                   Sequence({EncodeOctetString(ByteView(engine)), EncodeOctetString(""), report})});
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void DecodeAll(ByteView datagram) {
  // An exact-size heap copy, so a read past the end is caught.
  std::vector<std::uint8_t> copy(datagram.begin(), datagram.end());
  const ByteView exact(copy.data(), copy.size());

  if (const auto response = DecodeSysNameResponse(exact)) {
    Check(response->sysName.size() < copy.size());
    Check(std::memchr(response->sysName.data(), 0, response->sysName.size()) == nullptr);
  }
  if (const auto report = DecodeEngineReport(exact)) {
    Check(!report->engineId.empty() && report->engineId.size() <= 32);
    // The longest readable form is an IPv6 address's 39 characters.
    const std::string text = EngineIdText(report->engineId);
    Check(text.size() <= 39 && std::memchr(text.data(), 0, text.size()) == nullptr);
  }
  static const SysNameProbe sysNameProbe("public", 77, 78);
  static const SysNameProbe printerProbe("public", 77, 78, true);
  static const EngineIdProbe engineProbe(77, 5);
  sysNameProbe.MatchAnswer(exact);
  if (const auto answer = printerProbe.MatchAnswer(exact)) {
    // Only an answer that says it is a printer may be wanted.
    Check(!answer->wanted || DecodeSysNameResponse(exact)->isPrinter);
  }
  engineProbe.MatchAnswer(exact);
}

// Input: byte 0 picks the template, bytes 1-2 the cut, then pairs of
// (offset, value) written over the template.
void DecodeMutated(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return;
  static const Bytes templates[] = {ValidSysNameAnswer(), ValidEngineReport()};
  Bytes answer = templates[data[0] & 1];
  const std::size_t cut = ((std::size_t{data[1]} << 8) | data[2]) % (answer.size() + 1);
  for (std::size_t i = 3; i + 1 < size; i += 2) answer[data[i] % answer.size()] = data[i + 1];
  answer.resize(answer.size() - cut);
  DecodeAll(answer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodeAll(ByteView(data, size));
  DecodeMutated(data, size);
  return 0;
}
