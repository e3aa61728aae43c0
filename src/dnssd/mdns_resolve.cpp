#include "dnssd/mdns_resolve.h"

#include <algorithm>

#include "dnssd/mdns_answers.h"
#include "network/send_schedule.h"

namespace jobhost::dnssd {
namespace {

// Questions go out at the start and again half-way, as the search's do.
constexpr int kAttempts = 2;

class Resolution {
 public:
  Resolution(Network& network, DatagramChannel& channel, const DnsName& name, MdnsNameKind kind,
             std::uint16_t id)
      : channel_(channel),
        destinations_(MdnsGroupOnInterfaces(network, AddressFamily::kIpv4)),
        answers_(network.Ipv4Interfaces()),
        id_(id),
        name_(name),
        kind_(kind) {
    answers_.Expect(name, kind == MdnsNameKind::kHost ? MdnsRole::kHost : MdnsRole::kInstance);
  }

  // Asks what is still unknown; false when nothing could be sent.
  bool Ask() {
    const std::optional<DnsName> host = Host();
    std::vector<DnsQuestion> questions;
    if (host) {
      questions = {{*host, DnsType::kA}, {*host, DnsType::kAaaa}};
    } else {
      questions = {{name_, DnsType::kSrv}};
    }
    asked_host_ = host.has_value();
    const auto query = EncodeDnsQuery(id_, questions);
    if (!query) return false;
    bool sent = false;
    for (const Endpoint& destination : destinations_) sent |= channel_.Send(destination, *query);
    return sent;
  }

  // Takes a datagram; true when it told something new worth asking after.
  bool Take(const Endpoint& from, std::span<const std::uint8_t> datagram) {
    return answers_.Take(from, datagram, id_) && !asked_host_ && Host().has_value();
  }

  std::optional<Endpoint> Address() const {
    const std::optional<DnsName> host = Host();
    if (!host) return std::nullopt;
    if (auto ipv4 = answers_.Address(*host, AddressFamily::kIpv4)) return ipv4;
    // A responder sends all addresses of a host together: no A beside an
    // AAAA means the host has no IPv4 address on that link.
    return answers_.Address(*host, AddressFamily::kIpv6);
  }

 private:
  std::optional<DnsName> Host() const {
    if (kind_ == MdnsNameKind::kHost) return name_;
    std::optional<DnsSrvData> service = answers_.Service(name_);
    // A target of the root says the service is not there.
    if (!service || !IsSendableDnsName(service->target)) return std::nullopt;
    return std::move(service->target);
  }

  DatagramChannel& channel_;
  std::vector<Endpoint> destinations_;
  MdnsAnswers answers_;
  std::uint16_t id_;
  const DnsName& name_;
  MdnsNameKind kind_;
  bool asked_host_ = false;
};

}  // namespace

std::optional<Endpoint> ResolveMdnsName(Network& network, Clock& clock, const DnsName& name,
                                        MdnsNameKind kind, int timeoutMs, std::uint16_t queryId) {
  // The wait counts from the call's start, the socket and interface list
  // included.
  network::SendSchedule schedule(clock.NowMs(), timeoutMs, kAttempts);
  const auto channel = network.OpenChannel(AddressFamily::kIpv4, false);
  if (!channel || !IsSendableDnsName(name)) return std::nullopt;
  Resolution resolution(network, *channel, name, kind, queryId);
  network::DatagramBuffer buffer;
  for (;;) {
    const std::int64_t now = clock.NowMs();
    if (schedule.Due(now)) {
      if (!resolution.Ask() && schedule.FirstSend()) return std::nullopt;
      schedule.Sent();
    }
    if (now >= schedule.DeadlineMs()) return std::nullopt;
    const std::int64_t wakeUp = schedule.WakeUpMs();
    std::size_t size = 0;
    Endpoint from;
    const ReceiveStatus status = channel->Receive(
        buffer.Room(), static_cast<int>(std::max<std::int64_t>(wakeUp - now, 0)), size, from);
    if (status == ReceiveStatus::kFailed) return std::nullopt;
    if (status != ReceiveStatus::kDatagram) continue;
    const std::span<const std::uint8_t> datagram = buffer.Received(size);
    const bool followUp = resolution.Take(from, datagram);
    if (auto address = resolution.Address()) return address;
    if (followUp) resolution.Ask();
  }
}

}  // namespace jobhost::dnssd
