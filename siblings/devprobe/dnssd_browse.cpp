#include "dnssd_browse.h"

#include <algorithm>
#include <utility>

#include "caller_name.h"

namespace jobhost::devprobe {
namespace {

using dnssd::DnsName;
using dnssd::DnsQuestion;
using dnssd::DnsType;

// What printers announce themselves as: IPP, IPP over TLS, raw port 9100
// and LPD.
const DnsName kPrinterServices[] = {
    {"_ipp", "_tcp", "local"},
    {"_ipps", "_tcp", "local"},
    {"_pdl-datastream", "_tcp", "local"},
    {"_printer", "_tcp", "local"},
};

// Bounds the follow-up questions a flood of instances can cause.
constexpr std::size_t kMaxAskedNames = 256;
constexpr std::size_t kMaxQuestionsPerFollowUp = 16;

// A responder and the questions for it.
struct FollowUp {
  Endpoint responder;
  std::vector<DnsQuestion> questions;
};

}  // namespace

DnsSdBrowse::DnsSdBrowse(AddressFamily family, std::vector<Ipv4Interface> interfaces,
                         std::vector<Endpoint> destinations, bool oneHost, std::uint16_t agentPort,
                         std::uint16_t queryId)
    : family_(family),
      destinations_(std::move(destinations)),
      oneHost_(oneHost),
      agentPort_(agentPort),
      queryId_(queryId),
      answers_(std::move(interfaces)) {
  std::vector<DnsQuestion> questions;
  for (const DnsName& service : kPrinterServices) {
    questions.push_back({service, DnsType::kPtr});
    answers_.Expect(service, dnssd::MdnsRole::kServiceType);
  }
  query_ = dnssd::EncodeDnsQuery(queryId_, questions).value_or(Bytes{});
}

int DnsSdBrowse::SendRound(DatagramChannel& channel) {
  int sent = 0;
  for (const Endpoint& destination : destinations_) {
    if (channel.Send(destination, query_)) ++sent;
  }
  return sent;
}

Taken DnsSdBrowse::Take(DatagramChannel& channel, const Endpoint& from, ByteView datagram) {
  if (oneHost_ && !from.SameAddress(destinations_.front())) return {};
  std::vector<DnsName> told;
  if (!answers_.Take(from, datagram, queryId_, oneHost_ ? nullptr : &told)) return {};
  if (!told.empty()) AskWhatIsLacking(channel, told);
  return {true};
}

// For each instance told of still without a service record, its SRV; for
// one whose host has no address of the call's family, that address. Each
// name is asked once, of the responder that named the instance, in batches
// of at most 16 questions. A name no query can carry (the root, which a
// service record may name as its host) is not asked.
void DnsSdBrowse::AskWhatIsLacking(DatagramChannel& channel, const std::vector<DnsName>& told) {
  const DnsType addressType = family_ == AddressFamily::kIpv6 ? DnsType::kAaaa : DnsType::kA;
  std::vector<FollowUp> followUps;
  const auto ask = [&](const Endpoint& responder, const DnsName& name, DnsType type) {
    if (!dnssd::IsSendableDnsName(name) || askedAbout_.size() >= kMaxAskedNames ||
        !askedAbout_.insert(dnssd::DnsNameKey(name)).second) {
      return;
    }
    auto followUp = std::ranges::find(followUps, responder, &FollowUp::responder);
    if (followUp == followUps.end()) followUp = followUps.insert(followUps.end(), {responder, {}});
    followUp->questions.push_back({name, type});
  };
  for (const DnsName& instance : told) {
    const std::optional<Endpoint> responder = answers_.NamedBy(instance);
    if (!responder) continue;
    const std::optional<dnssd::DnsSrvData> srv = answers_.Service(instance);
    if (!srv) {
      ask(*responder, instance, DnsType::kSrv);
    } else if (!answers_.Address(srv->target, family_)) {
      ask(*responder, srv->target, addressType);
    }
  }
  for (const FollowUp& followUp : followUps) {
    const std::span<const DnsQuestion> all = followUp.questions;
    for (std::size_t first = 0; first < all.size(); first += kMaxQuestionsPerFollowUp) {
      const auto batch = all.subspan(first, std::min(kMaxQuestionsPerFollowUp, all.size() - first));
      if (const auto query = dnssd::EncodeDnsQuery(queryId_, batch)) {
        channel.Send(followUp.responder, *query);
      }
    }
  }
}

std::vector<FoundPrinter> DnsSdBrowse::Printers() const {
  std::vector<FoundPrinter> printers;
  std::set<AgentKey> known;
  const auto add = [&](Endpoint address, const DnsName& instance) {
    address.port = agentPort_;
    if (!instance.empty() && known.insert(KeyOf(address)).second) {
      printers.push_back({address, InstanceNameForCaller(instance.front())});
    }
  };
  for (const DnsName& service : kPrinterServices) {
    for (const DnsName& instance : answers_.Instances(service)) {
      if (oneHost_) {
        // A direct question's answer came from the host asked.
        add(destinations_.front(), instance);
        continue;
      }
      const std::optional<dnssd::DnsSrvData> srv = answers_.Service(instance);
      const auto address = srv ? answers_.Address(srv->target, family_) : std::nullopt;
      if (address) add(*address, instance);
    }
  }
  return printers;
}

}  // namespace jobhost::devprobe
