#include "dnssd/mdns_answers.h"

#include <algorithm>

#include "network/interface_rules.h"

namespace jobhost::dnssd {

std::vector<Endpoint> MdnsGroupOnInterfaces(Network& network, AddressFamily family) {
  Endpoint group = Ipv4Endpoint(224, 0, 0, 251, kMdnsPort);
  if (family == AddressFamily::kIpv6) {
    group.family = family;
    group.address = {0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFB};
  }
  return network::GroupOnInterfaces(network, group);
}

MdnsAnswers::MdnsAnswers(std::vector<Ipv4Interface> interfaces)
    : interfaces_(std::move(interfaces)) {}

void MdnsAnswers::Expect(const DnsName& name, MdnsRole role) {
  Name& expected = names_[DnsNameKey(name)];
  if (expected.packed.empty()) expected.packed = PackDnsName(name);
  expected.serviceType |= role == MdnsRole::kServiceType;
  expected.instance |= role == MdnsRole::kInstance;
  expected.host |= role == MdnsRole::kHost;
}

bool MdnsAnswers::Take(const Endpoint& from, std::span<const std::uint8_t> datagram,
                       std::uint16_t id, std::vector<DnsName>* told) {
  if (from.port != kMdnsPort) return false;
  const std::optional<DnsResponse> response = DnsResponse::Read(datagram);
  // A one-shot query's answer repeats its id; anything else was not asked.
  if (!response || response->id() != id) return false;
  // Pointers, then services, then addresses: a record counts whichever
  // record of the message told of its name.
  for (const DnsRecordPlace& record : response->records()) {
    if (record.type == DnsType::kPtr) KeepPointer(*response, record, from, told);
  }
  for (const DnsRecordPlace& record : response->records()) {
    if (record.type == DnsType::kSrv) KeepService(*response, record, told);
  }
  for (const DnsRecordPlace& record : response->records()) {
    if (record.type == DnsType::kA || record.type == DnsType::kAaaa) {
      KeepAddress(*response, record, from);
    }
  }
  return true;
}

MdnsAnswers::Name* MdnsAnswers::Find(const std::string& key) {
  const auto found = names_.find(key);
  return found == names_.end() ? nullptr : &found->second;
}

const MdnsAnswers::Name* MdnsAnswers::Find(const DnsName& name) const {
  const auto found = names_.find(DnsNameKey(name));
  return found == names_.end() ? nullptr : &found->second;
}

MdnsAnswers::Name* MdnsAnswers::Told(const std::string& key, std::string packed) {
  Name& name = names_[key];
  if (name.packed.empty()) name.packed = std::move(packed);
  return &name;
}

// Each keeper checks the cap and the time to live before it looks anything
// up: once full, a flood of records costs a comparison each.
void MdnsAnswers::KeepPointer(const DnsResponse& response, const DnsRecordPlace& record,
                              const Endpoint& from, std::vector<DnsName>* told) {
  // A time to live of 0 says the record is gone.
  if (kept_ >= kMaxKeptDnsRecords || record.ttl == 0) return;
  Name* service = Find(response.PackedOwner(record, true));
  if (!service || !service->serviceType) return;
  const std::string key = response.PackedTarget(record, true);
  // The root names no instance: it has no label to show.
  if (key.empty()) return;
  Name* instance = Told(key, response.PackedTarget(record, false));
  if (std::ranges::find(instance->namedUnder, service) != instance->namedUnder.end()) return;
  instance->namedUnder.push_back(service);
  instance->instance = true;
  if (!instance->namedBy) instance->namedBy = from;
  service->instances.push_back(instance);
  ++kept_;
  if (told) told->push_back(UnpackDnsName(instance->packed));
}

void MdnsAnswers::KeepService(const DnsResponse& response, const DnsRecordPlace& record,
                              std::vector<DnsName>* told) {
  if (kept_ >= kMaxKeptDnsRecords || record.ttl == 0) return;
  Name* instance = Find(response.PackedOwner(record, true));
  // The first service record of an instance stands.
  if (!instance || !instance->instance || instance->target) return;
  const auto data = std::get<DnsSrvData>(response.Data(record));
  Name* host = Told(response.PackedTarget(record, true), PackDnsName(data.target));
  host->host = true;
  instance->target = host;
  instance->priority = data.priority;
  instance->weight = data.weight;
  instance->port = data.port;
  ++kept_;
  if (told) told->push_back(UnpackDnsName(instance->packed));
}

void MdnsAnswers::KeepAddress(const DnsResponse& response, const DnsRecordPlace& record,
                              const Endpoint& from) {
  if (kept_ >= kMaxKeptDnsRecords || record.ttl == 0) return;
  Name* host = Find(response.PackedOwner(record, true));
  if (!host || !host->host) return;
  const DnsRecordData data = response.Data(record);
  if (const auto* ipv4 = std::get_if<DnsIpv4Address>(&data)) {
    const Endpoint address = Ipv4Endpoint((*ipv4)[0], (*ipv4)[1], (*ipv4)[2], (*ipv4)[3], 0);
    if (host->ipv4 || !network::OnAnsweringLink(interfaces_, from, address)) return;
    host->ipv4 = address;
  } else if (const auto* ipv6 = std::get_if<DnsIpv6Address>(&data)) {
    if (host->ipv6) return;
    Endpoint address;
    address.family = AddressFamily::kIpv6;
    std::ranges::copy(*ipv6, address.address.begin());
    if (address.IsIpv6LinkLocal()) {
      // Without the scope of its link, a link-local address leads nowhere.
      if (from.family != AddressFamily::kIpv6 || from.scopeId == 0) return;
      address.scopeId = from.scopeId;
    }
    host->ipv6 = address;
  }
  ++kept_;
}

std::vector<DnsName> MdnsAnswers::Instances(const DnsName& service) const {
  std::vector<DnsName> instances;
  if (const Name* found = Find(service)) {
    for (const Name* instance : found->instances) {
      instances.push_back(UnpackDnsName(instance->packed));
    }
  }
  return instances;
}

std::optional<DnsSrvData> MdnsAnswers::Service(const DnsName& instance) const {
  const Name* found = Find(instance);
  if (!found || !found->target) return std::nullopt;
  return DnsSrvData{found->priority, found->weight, found->port,
                    UnpackDnsName(found->target->packed)};
}

std::optional<Endpoint> MdnsAnswers::Address(const DnsName& host, AddressFamily family) const {
  const Name* found = Find(host);
  if (!found) return std::nullopt;
  return family == AddressFamily::kIpv4 ? found->ipv4 : found->ipv6;
}

std::optional<Endpoint> MdnsAnswers::NamedBy(const DnsName& instance) const {
  const Name* found = Find(instance);
  return found ? found->namedBy : std::nullopt;
}

}  // namespace jobhost::dnssd
