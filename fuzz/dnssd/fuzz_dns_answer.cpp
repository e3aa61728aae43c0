// DNS answers come from anyone on the link: no datagram may crash the
// decoder or make it read outside it, and what it keeps must be names a
// query could carry again, and their instance labels text a user can read.
// What an asker keeps of it holds no IPv4 address off the answering link.

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "dnssd/dns_message.h"
#include "dnssd/mdns_answers.h"
#include "support/utf.h"

namespace {

using namespace jobhost::dnssd;
using namespace jobhost::network;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckName(const DnsName& name, std::size_t maxTextBytes) {
  // The root (no label) is a name an answer may hold, though no query asks for it.
  Check(name.empty() || IsSendableDnsName(name));
  for (const std::string& label : name) {
    const std::string text = InstanceNameText(label, maxTextBytes);
    // Valid UTF-8 comes back unchanged from a round trip through UTF-16.
    Check(text.size() <= maxTextBytes && jobhost::Utf16ToUtf8(jobhost::Utf8ToUtf16(text)) == text);
    Check(InstanceNameText(text, maxTextBytes) == text);  // no control character left
  }
}

// The asker is 192.168.1.2/24, the answer comes from 192.168.1.20; it asked
// about every owner (so every record may be kept) and keeps at most the cap.
void CheckKeptAddresses(const DnsMessage& message, std::span<const std::uint8_t> datagram) {
  const Ipv4Interface link{2, Ipv4Endpoint(192, 168, 1, 2, 0), 24, std::nullopt, true};
  MdnsAnswers answers({link});
  for (const DnsRecord& record : message.records) {
    const MdnsRole role = std::holds_alternative<DnsPtrData>(record.data)   ? MdnsRole::kServiceType
                          : std::holds_alternative<DnsSrvData>(record.data) ? MdnsRole::kInstance
                                                                            : MdnsRole::kHost;
    answers.Expect(record.owner, role);
  }
  std::vector<DnsName> told;
  Check(answers.Take(Ipv4Endpoint(192, 168, 1, 20, kMdnsPort), datagram, message.id, &told));
  Check(told.size() <= kMaxKeptDnsRecords);
  for (const DnsRecord& record : message.records) {
    const auto address = answers.Address(record.owner, AddressFamily::kIpv4);
    Check(!address || link.OnNetwork(*address));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto message = DecodeDnsMessage({data, size});
  if (!message) return 0;
  // The first byte (a decoded message has 12 or more) picks the cut, so cuts
  // inside every kind of letter get reached.
  const std::size_t maxTextBytes = data[0] % 64;
  for (const DnsRecord& record : message->records) {
    CheckName(record.owner, maxTextBytes);
    if (const auto* pointer = std::get_if<DnsPtrData>(&record.data)) {
      CheckName(pointer->target, maxTextBytes);
    } else if (const auto* service = std::get_if<DnsSrvData>(&record.data)) {
      CheckName(service->target, maxTextBytes);
    }
  }
  CheckKeptAddresses(*message, {data, size});
  return 0;
}
