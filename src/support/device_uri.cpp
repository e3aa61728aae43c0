#include "support/device_uri.h"

#include <algorithm>
#include <array>

namespace jobhost {
namespace {

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsSchemeText(std::string_view scheme) {
  if (scheme.empty() || !IsAlpha(scheme.front())) return false;
  return std::all_of(scheme.begin(), scheme.end(), [](char c) {
    return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.';
  });
}

// nullopt for a broken escape or an escaped NUL, which no host name holds.
std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = HexValue(text[i + 1]);
    int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

bool IsDottedQuad(std::string_view host) {
  int parts = 0;
  std::size_t i = 0;
  while (i <= host.size()) {
    std::size_t end = host.find('.', i);
    if (end == std::string_view::npos) end = host.size();
    std::string_view part = host.substr(i, end - i);
    // A leading zero reads as octal to some parsers: no plain address then.
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part.front() == '0') ||
        !std::all_of(part.begin(), part.end(), IsDigit)) {
      return false;
    }
    int value = 0;
    for (char c : part) value = value * 10 + (c - '0');
    if (value > 255) return false;
    ++parts;
    i = end + 1;
  }
  return parts == 4;
}

// The groups of one side of "::" (or of the whole address): one to four hex
// digits each, separated by single colons; the last may be a dotted quad,
// which stands for two groups. nullopt when the text is no such list.
std::optional<int> Ipv6GroupCount(std::string_view groups, bool mayEndInQuad) {
  if (groups.empty()) return 0;
  int count = 0;
  for (;;) {
    std::size_t colon = groups.find(':');
    std::string_view group = groups.substr(0, colon);
    if (colon == std::string_view::npos && mayEndInQuad && IsDottedQuad(group)) return count + 2;
    if (group.empty() || group.size() > 4 ||
        !std::all_of(group.begin(), group.end(), [](char c) { return HexValue(c) >= 0; })) {
      return std::nullopt;
    }
    ++count;
    if (colon == std::string_view::npos) return count;
    groups.remove_prefix(colon + 1);
  }
}

bool IsUnreserved(char c) {
  return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

// An IPv6 address in the text form of RFC 4291 section 2.2 (eight groups, or
// fewer with one "::" for the zero groups left out, the last 32 bits perhaps
// as a dotted quad), then perhaps a zone after "%" (RFC 6874: unreserved
// characters). Shaped like one is not enough: "[:]" and "[1.2]" are no
// addresses.
bool IsIpv6Literal(std::string_view literal) {
  std::size_t percent = literal.find('%');
  if (percent != std::string_view::npos) {
    std::string_view zone = literal.substr(percent + 1);
    if (zone.empty() || !std::all_of(zone.begin(), zone.end(), IsUnreserved)) return false;
  }
  std::string_view address = literal.substr(0, percent);
  std::size_t gap = address.find("::");
  if (gap == std::string_view::npos) return Ipv6GroupCount(address, true) == 8;
  if (address.find("::", gap + 1) != std::string_view::npos) return false;
  std::optional<int> head = Ipv6GroupCount(address.substr(0, gap), false);
  std::optional<int> tail = Ipv6GroupCount(address.substr(gap + 2), true);
  // "::" stands for at least one group.
  return head && tail && *head + *tail <= 7;
}

// The authority after "//" without user info and port.
std::optional<DeviceUri> WithHost(DeviceUri uri, std::string_view authority) {
  std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string_view host;
  bool bracketed = !authority.empty() && authority.front() == '[';
  if (bracketed) {
    std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return uri;  // no usable host
    host = authority.substr(1, close - 1);
  } else {
    host = authority.substr(0, authority.find(':'));
  }
  std::optional<std::string> decoded = PercentDecoded(host);
  if (!decoded) return uri;
  uri.host = std::move(*decoded);
  uri.hostIsAddress = bracketed ? IsIpv6Literal(uri.host) : IsDottedQuad(uri.host);
  // Bracketed text that is no IPv6 literal is no host name either.
  if (bracketed && !uri.hostIsAddress) uri.host.clear();
  return uri;
}

}  // namespace

std::optional<DeviceUri> ParseDeviceUri(std::string_view uri) {
  std::size_t colon = uri.find(':');
  if (colon == std::string_view::npos || !IsSchemeText(uri.substr(0, colon))) return std::nullopt;
  DeviceUri parsed;
  for (char c : uri.substr(0, colon)) parsed.scheme.push_back(Lower(c));
  std::string_view rest = uri.substr(colon + 1);
  if (rest.substr(0, 2) != "//") return parsed;
  rest.remove_prefix(2);
  return WithHost(std::move(parsed), rest.substr(0, rest.find_first_of("/?#")));
}

std::int32_t PortKindOfScheme(std::string_view scheme) {
  static constexpr std::array<std::string_view, 2> kMonitorPorts = {"socket", "lpd"};
  static constexpr std::array<std::string_view, 5> kNetworkDevices = {"ipp", "ipps", "http",
                                                                      "https", "dnssd"};
  if (std::find(kMonitorPorts.begin(), kMonitorPorts.end(), scheme) != kMonitorPorts.end()) {
    return 2;
  }
  if (std::find(kNetworkDevices.begin(), kNetworkDevices.end(), scheme) != kNetworkDevices.end()) {
    return 3;
  }
  return 1;
}

bool IsMonitoredScheme(std::string_view scheme) {
  return PortKindOfScheme(scheme) == 2 || (PortKindOfScheme(scheme) == 3 && scheme != "dnssd");
}

}  // namespace jobhost
