#include "mdns_address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <random>

#include "network/network.h"
#include "system/clock.h"

namespace jobhost::portlink {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return dnssd::SameDnsName({std::string(a)}, {std::string(b)});
}

std::string_view WithoutRootDot(std::string_view name) {
  if (name.ends_with('.')) name.remove_suffix(1);
  return name;
}

// "Office Laser._ipp._tcp.local": the instance label is everything before
// the service type's three labels, dots and all.
std::optional<dnssd::DnsName> InstanceName(std::string_view text) {
  std::size_t cut = text.size();
  for (int label = 0; label < 3; ++label) {
    cut = text.rfind('.', cut - 1);
    if (cut == std::string_view::npos || cut == 0) return std::nullopt;
  }
  auto service = dnssd::DnsNameFromText(text.substr(cut + 1));
  if (!service || !service->front().starts_with('_')) return std::nullopt;
  dnssd::DnsName name{std::string(text.substr(0, cut))};
  name.insert(name.end(), service->begin(), service->end());
  if (!dnssd::IsSendableDnsName(name)) return std::nullopt;
  return name;
}

std::string AddressText(const network::Endpoint& address) {
  if (address.family == network::AddressFamily::kIpv4) return network::FormatIpv4(address);
  char text[INET6_ADDRSTRLEN] = {};
  inet_ntop(AF_INET6, address.address.data(), text, sizeof text);
  return text;
}

}  // namespace

std::optional<MdnsHost> MdnsHostOf(std::string_view scheme, std::string_view host) {
  const std::string_view text = WithoutRootDot(host);
  if (scheme == "dnssd") {
    auto name = InstanceName(text);
    if (!name) return std::nullopt;
    return MdnsHost{std::move(*name), dnssd::MdnsNameKind::kInstance};
  }
  const std::size_t dot = text.rfind('.');
  if (dot == std::string_view::npos || !EqualsIgnoringCase(text.substr(dot + 1), "local")) {
    return std::nullopt;
  }
  auto name = dnssd::DnsNameFromText(text);
  if (!name) return std::nullopt;
  return MdnsHost{std::move(*name), dnssd::MdnsNameKind::kHost};
}

std::optional<std::string> ResolveMdnsHost(const MdnsHost& host, std::chrono::milliseconds limit) {
  // The limit counts from here, whatever the network's start costs.
  SteadyClock clock;
  const std::int64_t start = clock.NowMs();
  const auto network = network::OpenSystemNetwork();
  if (!network) return std::nullopt;
  const auto id = static_cast<std::uint16_t>(std::random_device{}());
  const std::int64_t left = limit.count() - (clock.NowMs() - start);
  const auto address = dnssd::ResolveMdnsName(
      *network, clock, host.name, host.kind, static_cast<int>(std::max<std::int64_t>(left, 0)), id);
  if (!address) return std::nullopt;
  return AddressText(*address);
}

}  // namespace jobhost::portlink
