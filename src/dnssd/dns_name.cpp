#include "dnssd/dns_name.h"

#include <algorithm>
#include <cstdint>

#include "support/utf.h"

namespace jobhost::dnssd {
namespace {

bool SameDnsLabel(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, {}, FoldAsciiCase, FoldAsciiCase);
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

bool IsSendableDnsName(const DnsName& name) {
  if (name.empty()) return false;
  std::size_t encoded = 1;
  for (const std::string& label : name) {
    if (label.empty() || label.size() > kMaxDnsLabelBytes) return false;
    encoded += 1 + label.size();
  }
  return encoded <= kMaxDnsNameBytes;
}

std::optional<DnsName> DnsNameFromText(std::string_view dotted) {
  if (dotted.ends_with('.')) dotted.remove_suffix(1);
  DnsName name;
  for (std::size_t start = 0; start <= dotted.size();) {
    const std::size_t dot = std::min(dotted.find('.', start), dotted.size());
    name.emplace_back(dotted.substr(start, dot - start));
    start = dot + 1;
  }
  if (!IsSendableDnsName(name)) return std::nullopt;
  return name;
}

bool SameDnsName(const DnsName& a, const DnsName& b) {
  return std::ranges::equal(a, b, SameDnsLabel);
}

char FoldAsciiCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string PackDnsName(const DnsName& name, bool fold) {
  std::string packed;
  for (const std::string& label : name) {
    packed += static_cast<char>(label.size());
    for (char c : label) packed += fold ? FoldAsciiCase(c) : c;
  }
  return packed;
}

DnsName UnpackDnsName(std::string_view packed) {
  DnsName name;
  for (std::size_t i = 0; i < packed.size();) {
    const std::size_t length =
        std::min<std::size_t>(static_cast<std::uint8_t>(packed[i]), packed.size() - i - 1);
    name.emplace_back(packed.substr(i + 1, length));
    i += 1 + length;
  }
  return name;
}

std::string InstanceNameText(std::string_view label, std::size_t maxBytes) {
  std::string text;
  std::string letter;
  for (std::size_t i = 0; i < label.size();) {
    const char32_t c = DecodeUtf8(label, i);
    letter.clear();
    AppendUtf8(letter, IsControl(c) ? U' ' : c);
    if (text.size() + letter.size() > maxBytes) break;
    text += letter;
  }
  return text;
}

}  // namespace jobhost::dnssd
