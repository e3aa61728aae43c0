#include "dnssd_browse.h"

#include <algorithm>
#include <utility>

namespace jobhost::devprobe {
namespace {

using network::DnsName;
using network::DnsQuestion;
using network::DnsType;

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

Bytes EncodeQuestions(std::uint16_t id, const std::vector<DnsQuestion>& questions) {
  return network::EncodeDnsQuery(id, questions).value_or(Bytes{});
}

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
  for (const DnsName& service : kPrinterServices) questions.push_back({service, DnsType::kPtr});
  query_ = EncodeQuestions(queryId_, questions);
}

int DnsSdBrowse::SendQuestions(DatagramChannel& channel) const {
  int sent = 0;
  for (const Endpoint& destination : destinations_) {
    if (channel.Send(destination, query_)) ++sent;
  }
  return sent;
}

bool DnsSdBrowse::Take(DatagramChannel& channel, const Endpoint& from, ByteView datagram) {
  if (oneHost_ && !from.SameAddress(destinations_.front())) return false;
  if (!answers_.Take(from, datagram, queryId_)) return false;
  if (oneHost_) return true;
  const std::vector<DnsQuestion> questions = FollowUpQuestions();
  if (!questions.empty()) channel.Send(from, EncodeQuestions(queryId_, questions));
  return true;
}

// For each instance still without a service record, its SRV; for each
// service's host without an address of the call's family, that address.
std::vector<DnsQuestion> DnsSdBrowse::FollowUpQuestions() {
  const DnsType addressType = family_ == AddressFamily::kIpv6 ? DnsType::kAaaa : DnsType::kA;
  std::vector<DnsQuestion> questions;
  const auto ask = [&](const DnsName& name, DnsType type) {
    if (questions.size() < kMaxQuestionsPerFollowUp && askedAbout_.size() < kMaxAskedNames &&
        askedAbout_.insert(name).second) {
      questions.push_back({name, type});
    }
  };
  for (const DnsName& service : kPrinterServices) {
    for (const DnsName& instance : answers_.Instances(service)) {
      const network::DnsSrvData* srv = answers_.Service(instance);
      if (!srv) {
        ask(instance, DnsType::kSrv);
      } else if (!answers_.Address(srv->target, family_)) {
        ask(srv->target, addressType);
      }
    }
  }
  return questions;
}

std::vector<DnsSdPrinter> DnsSdBrowse::Printers() const {
  std::vector<DnsSdPrinter> printers;
  const auto add = [&](Endpoint address, const DnsName& instance) {
    address.port = agentPort_;
    const bool known = std::ranges::any_of(printers, [&](const DnsSdPrinter& other) {
      return KeyOf(other.address) == KeyOf(address);
    });
    if (!known && !instance.empty()) {
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
      const network::DnsSrvData* srv = answers_.Service(instance);
      const auto address = srv ? answers_.Address(srv->target, family_) : std::nullopt;
      if (address) add(*address, instance);
    }
  }
  return printers;
}

std::string DnsSdBrowse::NameOf(const Endpoint& agent) const {
  for (const DnsSdPrinter& printer : Printers()) {
    if (printer.address.SameAddress(agent) && printer.address.scopeId == agent.scopeId) {
      return printer.name;
    }
  }
  return {};
}

}  // namespace jobhost::devprobe
