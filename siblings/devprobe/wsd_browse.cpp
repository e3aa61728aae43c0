#include "wsd_browse.h"

#include <algorithm>
#include <utility>

#include "caller_name.h"
#include "network/interface_rules.h"
#include "support/device_uri.h"

namespace jobhost::devprobe {
namespace {

// SOAP over UDP is text: what does not open like XML (an SNMP answer on the
// same socket) is not handed to the XML reader.
bool LooksLikeXml(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '<';
}

std::string HostText(const Endpoint& address) {
  if (address.family == AddressFamily::kIpv4) return FormatIpv4(address);
  std::string text = FormatIpv6(address.address);
  if (address.scopeId != 0) {
    text += '%';
    text += std::to_string(address.scopeId);
  }
  return text;
}

// The transport address's port and path on the printer's address: the Get
// goes where the printer answered from (or the address it named on that
// link), never to a name or a host elsewhere. nullopt for a port that is no
// number from 1 to 65535, or a byte no URL holds (a blank, a control, a
// letter outside ASCII), which could otherwise reach the request line.
std::optional<wsd::HttpTarget> TargetOn(const Endpoint& address,
                                        std::string_view transportAddress) {
  if (std::ranges::any_of(transportAddress, [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F;
      })) {
    return std::nullopt;
  }
  const std::string_view rest = transportAddress.substr(transportAddress.find("//") + 2);
  const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
  std::string_view authority = rest.substr(0, authorityEnd);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  const std::size_t close = authority.starts_with('[') ? authority.find(']') : 0;
  const std::size_t colon = close == std::string_view::npos ? close : authority.find(':', close);
  wsd::HttpTarget target;
  target.host = HostText(address);
  if (colon != std::string_view::npos && colon + 1 < authority.size()) {
    const std::string_view digits = authority.substr(colon + 1);
    int port = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || (port = port * 10 + (c - '0')) > 65535) return std::nullopt;
    }
    if (port == 0) return std::nullopt;
    target.port = static_cast<std::uint16_t>(port);
  }
  std::string_view path = rest.substr(authorityEnd);
  path = path.substr(0, path.find('#'));
  target.path.clear();
  if (!path.starts_with('/')) target.path += '/';
  target.path.append(path.data(), path.size());
  return target;
}

}  // namespace

std::vector<Endpoint> WsdGroupOnInterfaces(Network& network, AddressFamily family) {
  Endpoint group = Ipv4Endpoint(239, 255, 255, 250, kWsdPort);
  if (family == AddressFamily::kIpv6) {
    group.family = AddressFamily::kIpv6;
    group.address = {0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0C};
  }
  return network::GroupOnInterfaces(network, group);
}

WsdBrowse::WsdBrowse(Network& network, AddressFamily family, std::vector<Endpoint> destinations,
                     bool oneHost, std::uint16_t agentPort, wsd::HttpPoster* http,
                     MessageIds newMessageId)
    : network_(network),
      family_(family),
      interfaces_(network.Ipv4Interfaces()),
      prefixes_(family == AddressFamily::kIpv6 ? network.Ipv6Prefixes()
                                               : std::vector<network::Ipv6Prefix>()),
      destinations_(std::move(destinations)),
      oneHost_(oneHost && !destinations_.empty()),
      agentPort_(agentPort),
      http_(http),
      newMessageId_(std::move(newMessageId)) {}

int WsdBrowse::SendRound(DatagramChannel& channel) {
  const std::string id = newMessageId_();
  messageIds_.insert(id);
  const std::string probe = wsd::ProbeMessage(id);
  const ByteView datagram(reinterpret_cast<const std::uint8_t*>(probe.data()), probe.size());
  int sent = 0;
  for (const Endpoint& destination : destinations_) {
    if (channel.Send(destination, datagram)) ++sent;
  }
  return sent;
}

// Multicast discovery is link-local: an answer counts only from a network or
// prefix of an interface (IPv6: or link-local on it), and never from an
// address no device has. A direct Probe's answer counts only from the host
// asked.
bool WsdBrowse::FromLink(const Endpoint& from) const {
  if (oneHost_) return from.SameAddress(destinations_.front());
  if (from.family != family_ || network::NeverAHost(interfaces_, from, from)) return false;
  return family_ == AddressFamily::kIpv6
             ? network::Ipv6AnsweringInterface(prefixes_, from).has_value()
             : network::OnAnsweringLink(interfaces_, from, from);
}

// A source's first matches count; one that sends more is ignored from then
// on, so that it hides no other printer behind the cap.
bool WsdBrowse::Counts(const Endpoint& from) {
  if (ignoredSources_.contains(KeyOf(from))) return false;
  if (++matchesFrom_[KeyOf(from)] <= kMaxWsdMatchesPerSource) return true;
  ignoredSources_.insert(KeyOf(from));
  return false;
}

// What a match holds on the heap, its copy of the endpoint reference in the
// index and the index entries included.
std::size_t WsdBrowse::KeptBytes(const Match& match) {
  constexpr std::size_t kEntryBytes = 64;  // a tree node of an index
  std::size_t bytes = sizeof(Match) + 2 * match.endpoint.size() + 3 * kEntryBytes;
  if (match.target) bytes += match.target->host.size() + match.target->path.size();
  return bytes;
}

Taken WsdBrowse::Take(DatagramChannel& channel, const Endpoint& from, ByteView datagram) {
  const std::string_view text(reinterpret_cast<const char*>(datagram.data()), datagram.size());
  if (!LooksLikeXml(text) || !FromLink(from)) return {};
  if (ignoredSources_.contains(KeyOf(from))) return {true};
  const std::optional<wsd::DiscoveryAnswer> answer = wsd::DecodeDiscoveryAnswer(text);
  if (!answer || !messageIds_.contains(answer->relatesTo)) return {};
  for (const wsd::DiscoveryMatch& found : answer->matches) Keep(channel, from, found);
  return {true};
}

// A new printer is kept, and asked once for its transport addresses when it
// gave none; a known one only learns the addresses it lacked (from its
// ResolveMatches, or a later ProbeMatches).
void WsdBrowse::Keep(DatagramChannel& channel, const Endpoint& from,
                     const wsd::DiscoveryMatch& found) {
  if (found.endpoint.size() > kMaxWsdEndpointBytes) return;
  if (const auto known = byEndpoint_.find(found.endpoint); known != byEndpoint_.end()) {
    Match& match = matches_[known->second];
    if (!match.hasTransportAddresses && !found.transportAddresses.empty()) {
      Match located = match;
      Locate(located, from, found.transportAddresses);
      const std::size_t bytes = keptBytes_ - KeptBytes(match) + KeptBytes(located);
      if (bytes > kMaxWsdStateBytes) return;
      keptBytes_ = bytes;
      match = std::move(located);
      IndexAddresses();
    }
    return;
  }
  if (!found.printer || matches_.size() >= kMaxWsdMatches || !Counts(from)) return;
  Match match;
  match.endpoint = found.endpoint;
  Locate(match, from, found.transportAddresses);
  const std::string id = found.transportAddresses.empty() ? newMessageId_() : std::string();
  const std::size_t bytes = keptBytes_ + KeptBytes(match) + id.size();
  if (bytes > kMaxWsdStateBytes) return;
  keptBytes_ = bytes;
  byEndpoint_.emplace(found.endpoint, matches_.size());
  firstAt_.try_emplace(KeyOf(match.address), matches_.size());
  matches_.push_back(std::move(match));
  if (!id.empty()) {
    messageIds_.insert(id);
    Endpoint responder = oneHost_ ? destinations_.front() : from;
    responder.port = kWsdPort;
    const std::string resolve = wsd::ResolveMessage(id, found.endpoint);
    channel.Send(responder,
                 ByteView(reinterpret_cast<const std::uint8_t*>(resolve.data()), resolve.size()));
  }
}

// The first match at an address stands for it; later ones there are not
// asked their name.
void WsdBrowse::IndexAddresses() {
  firstAt_.clear();
  for (std::size_t i = 0; i < matches_.size(); ++i)
    firstAt_.try_emplace(KeyOf(matches_[i].address), i);
}

// The printer's address is the host of its first http transport address
// when that is an address on the answering link, else where it answered
// from; an https-only printer is not asked for its name.
void WsdBrowse::Locate(Match& match, const Endpoint& from,
                       const std::vector<std::string>& addresses) {
  match.hasTransportAddresses = !addresses.empty();
  match.address = oneHost_ ? destinations_.front() : from;
  match.address.port = agentPort_;
  const auto http = std::ranges::find_if(addresses, [](const std::string& address) {
    const std::optional<DeviceUri> uri = ParseDeviceUri(address);
    return uri && uri->scheme == "http" && address.find("//") != std::string::npos;
  });
  if (http == addresses.end()) return;
  const std::optional<DeviceUri> uri = ParseDeviceUri(*http);
  if (!oneHost_ && uri->hostIsAddress) {
    if (const std::optional<Endpoint> named = AddressOnLink(uri->host, from)) {
      match.address = *named;
      match.address.port = agentPort_;
    }
  }
  match.target = TargetOn(match.address, *http);
  if (match.target) match.naming = NameState::kDue;
}

// On a network (IPv4) or prefix (IPv6) of the interface the answer came on,
// or link-local there with its scope.
std::optional<Endpoint> WsdBrowse::AddressOnLink(const std::string& host, const Endpoint& from) {
  std::optional<Endpoint> address = network_.Resolve(host, family_);
  if (!address || address->family != family_ || network::NeverAHost(interfaces_, from, *address)) {
    return std::nullopt;
  }
  if (family_ == AddressFamily::kIpv6)
    return network::OnAnsweringIpv6Link(prefixes_, from, *address);
  if (!network::OnAnsweringLink(interfaces_, from, *address)) return std::nullopt;
  return address;
}

bool WsdBrowse::Represents(std::size_t index) const {
  return firstAt_.at(KeyOf(matches_[index].address)) == index;
}

bool WsdBrowse::GetDue(std::size_t index) const {
  return matches_[index].naming == NameState::kDue && getsStarted_ < kMaxWsdGets &&
         Represents(index) && !namedElsewhere_.contains(KeyOf(matches_[index].address));
}

void WsdBrowse::Named(const Endpoint& agent) {
  namedElsewhere_.insert(KeyOf(agent));
}

void WsdBrowse::Poll(Clock& clock, std::int64_t deadline, int waitMs) {
  if (!http_) return;
  const std::int64_t now = clock.NowMs();
  for (std::size_t i = 0; i < matches_.size() && now < deadline; ++i) {
    if (http_->Running() >= wsd::kMaxPostsInFlight) break;
    if (!GetDue(i)) continue;
    Match& match = matches_[i];
    const std::string get = wsd::GetMessage(newMessageId_(), match.endpoint);
    const bool started =
        http_->Start(static_cast<int>(i), *match.target, get, static_cast<int>(deadline - now));
    match.naming = started ? NameState::kRunning : NameState::kDone;
    if (started) ++getsStarted_;
  }
  if (http_->Running() == 0) return;
  const std::int64_t wait = std::clamp<std::int64_t>(deadline - now, 0, std::max(waitMs, 0));
  for (const wsd::HttpReply& reply : http_->Wait(static_cast<int>(wait))) {
    if (reply.id < 0 || static_cast<std::size_t>(reply.id) >= matches_.size()) continue;
    Match& match = matches_[static_cast<std::size_t>(reply.id)];
    match.naming = NameState::kDone;
    // Replies that came together are read one by one while there is time.
    if (reply.ok && clock.NowMs() < deadline)
      match.name = InstanceNameForCaller(wsd::DecodeDeviceName(reply.body).value_or(""));
  }
}

std::optional<std::int64_t> WsdBrowse::WakeUpMs(std::int64_t now) const {
  if (!Naming()) return std::nullopt;
  return now + kWsdPollMs;
}

bool WsdBrowse::Naming() const {
  if (!http_) return false;
  if (http_->Running() > 0) return true;
  for (std::size_t i = 0; i < matches_.size(); ++i) {
    if (GetDue(i)) return true;
  }
  return false;
}

std::vector<FoundPrinter> WsdBrowse::Printers() const {
  std::vector<FoundPrinter> printers;
  for (std::size_t i = 0; i < matches_.size(); ++i) {
    if (Represents(i)) printers.push_back({matches_[i].address, matches_[i].name});
  }
  return printers;
}

}  // namespace jobhost::devprobe
