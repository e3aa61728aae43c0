#include "search_options.h"

#include <algorithm>
#include <charconv>

namespace jobhost::devprobe {

namespace {

constexpr int kMinPrefixLength = 16;
// Far above what a LAN takes, low enough that the pacing arithmetic is safe.
constexpr int kMaxSweepRate = 1000000;

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A decimal number from minimum to maximum, digits only, nothing around it.
std::optional<unsigned> ParseNumber(std::string_view text, unsigned minimum, unsigned maximum) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || text.front() == '+' || error != std::errc() || stop != end ||
      value < minimum || value > maximum) {
    return std::nullopt;
  }
  return value;
}

// A dotted quad of four decimal octets.
std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
  std::uint32_t address = 0;
  for (int octet = 0; octet < 4; ++octet) {
    const std::size_t dot = text.find('.');
    if ((octet < 3) == (dot == std::string_view::npos)) return std::nullopt;
    const std::string_view digits = text.substr(0, dot);
    if (digits.size() > 3) return std::nullopt;
    const auto value = ParseNumber(digits, 0, 255);
    if (!value) return std::nullopt;
    address = (address << 8) | *value;
    text = octet < 3 ? text.substr(dot + 1) : std::string_view{};
  }
  return address;
}

std::optional<Ipv4Range> ParseRange(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto address = ParseIpv4(Trim(text.substr(0, slash)));
  const auto length = ParseNumber(Trim(text.substr(slash + 1)), kMinPrefixLength, 32);
  if (!address || !length) return std::nullopt;
  const std::uint32_t mask = *length == 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> *length);
  return Ipv4Range{*address & mask, static_cast<int>(*length)};
}

std::optional<std::vector<Ipv4Range>> ParseRanges(std::string_view text) {
  std::vector<Ipv4Range> ranges;
  std::uint32_t addresses = 0;
  for (;;) {
    const std::size_t comma = text.find(',');
    const auto range = ParseRange(text.substr(0, comma));
    if (!range) return std::nullopt;
    // At most 2^16 per range, so the sum cannot overflow before the check.
    addresses += 1u << (32 - range->prefixLength);
    if (addresses > kMaxRangeAddresses) return std::nullopt;
    ranges.push_back(*range);
    if (comma == std::string_view::npos) return ranges;
    text = text.substr(comma + 1);
  }
}

// Applies one pair; false when a known key cannot use its value.
bool ApplyOption(std::string_view key, std::string_view value, SearchOptions& options) {
  if (EqualsIgnoringCase(key, "port")) {
    const auto port = ParseNumber(value, 1, 65535);
    if (port) options.port = static_cast<std::uint16_t>(*port);
    return port.has_value();
  }
  if (EqualsIgnoringCase(key, "range")) {
    auto ranges = ParseRanges(value);
    if (ranges) options.ranges = std::move(*ranges);
    return ranges.has_value();
  }
  if (EqualsIgnoringCase(key, "rate")) {
    const auto rate = ParseNumber(value, 1, kMaxSweepRate);
    if (rate) options.sweepRate = static_cast<int>(*rate);
    return rate.has_value();
  }
  if (EqualsIgnoringCase(key, "printers")) {
    const auto printers = ParseNumber(value, 0, 1);
    if (printers) options.printersOnly = *printers == 1;
    return printers.has_value();
  }
  if (EqualsIgnoringCase(key, "dnssd")) {
    const auto dnssd = ParseNumber(value, 0, 1);
    if (dnssd) options.dnssd = *dnssd == 1;
    return dnssd.has_value();
  }
  if (EqualsIgnoringCase(key, "wsd")) {
    const auto wsd = ParseNumber(value, 0, 1);
    if (wsd) options.wsd = *wsd == 1;
    return wsd.has_value();
  }
  return true;
}

}  // namespace

std::optional<SearchOptions> ParseSearchOptions(std::string_view parameter) {
  SearchOptions options;
  while (!parameter.empty()) {
    const std::size_t end = parameter.find(';');
    const std::string_view pair = parameter.substr(0, end);
    parameter = end == std::string_view::npos ? std::string_view{} : parameter.substr(end + 1);

    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos) continue;
    if (!ApplyOption(Trim(pair.substr(0, equals)), Trim(pair.substr(equals + 1)), options)) {
      return std::nullopt;
    }
  }
  return options;
}

std::vector<Ipv4HostRun> RangeHostRuns(const std::vector<Ipv4Range>& ranges) {
  std::vector<Ipv4HostRun> runs;
  for (const Ipv4Range& range : ranges) {
    const std::uint32_t size = 1u << (32 - range.prefixLength);
    // /31 and /32 have no network or broadcast address to leave out.
    const std::uint32_t skip = range.prefixLength < 31 ? 1 : 0;
    runs.push_back({range.address + skip, range.address + (size - 1 - skip)});
  }
  std::ranges::sort(runs, {}, &Ipv4HostRun::first);
  std::vector<Ipv4HostRun> merged;
  for (const Ipv4HostRun& run : runs) {
    // Sorted by first: a run overlaps or touches only the last one kept.
    if (!merged.empty() &&
        (run.first <= merged.back().last || run.first - merged.back().last == 1)) {
      merged.back().last = std::max(merged.back().last, run.last);
    } else {
      merged.push_back(run);
    }
  }
  return merged;
}

std::uint64_t CountHosts(const std::vector<Ipv4HostRun>& runs) {
  std::uint64_t hosts = 0;
  for (const Ipv4HostRun& run : runs) hosts += std::uint64_t{run.last} - run.first + 1;
  return hosts;
}

}  // namespace jobhost::devprobe
