#pragma once
// Names in DNS messages, and the text a user sees of one.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::dnssd {

// A name as its labels, the root left out. A label is bytes, not text: a
// service instance label may hold dots, blanks and UTF-8.
using DnsName = std::vector<std::string>;

inline constexpr std::size_t kMaxDnsLabelBytes = 63;
inline constexpr std::size_t kMaxDnsNameBytes = 255;  // as encoded, the root's byte included

// What a query can carry: at least one label, none empty or over 63 bytes,
// at most 255 bytes encoded.
bool IsSendableDnsName(const DnsName& name);

// "_ipp._tcp.local" (a final dot, the root, allowed) as labels; nullopt when
// that is not a sendable name.
std::optional<DnsName> DnsNameFromText(std::string_view dotted);

// DNS compares names without regard to ASCII letter case.
bool SameDnsName(const DnsName& a, const DnsName& b);

// A name packed into one string, each label as its length byte and its
// bytes (the root's byte left out): a tenth of a label list's memory. With
// fold, ASCII letters in lower case.
std::string PackDnsName(const DnsName& name, bool fold = false);
DnsName UnpackDnsName(std::string_view packed);
// The key under which names that DNS holds the same are found: packed and
// folded.
inline std::string DnsNameKey(const DnsName& name) {
  return PackDnsName(name, true);
}
char FoldAsciiCase(char c);

// An instance label as a user sees it: valid UTF-8 (U+FFFD for what is not),
// control characters as blanks, cut at a letter boundary to at most maxBytes.
std::string InstanceNameText(std::string_view label, std::size_t maxBytes);

}  // namespace jobhost::dnssd
