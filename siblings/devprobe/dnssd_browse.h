#pragma once
// The DNS-SD side of a find call: PTR questions for the printer service
// types, sent from the call's own socket beside its SNMP requests, and the
// printers the answers name.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "browse_protocol.h"
#include "dnssd/mdns_answers.h"
#include "endpoint.h"
#include "network.h"
#include "support/bytes.h"

namespace jobhost::devprobe {

class DnsSdBrowse : public BrowseProtocol {
 public:
  // destinations: the multicast DNS group on every interface, or one host's
  // port 5353 (oneHost: its answers name that host). Printers are reported
  // as agents on agentPort.
  DnsSdBrowse(AddressFamily family, std::vector<Ipv4Interface> interfaces,
              std::vector<Endpoint> destinations, bool oneHost, std::uint16_t agentPort,
              std::uint16_t queryId);

  // Sends the questions to every destination; the number of datagrams sent.
  int SendRound(DatagramChannel& channel) override;
  // Claims the datagram when it answers the questions. What an instance it
  // told of still lacks is then asked once, of the responder that named the
  // instance.
  Taken Take(DatagramChannel& channel, const Endpoint& from, ByteView datagram) override;

  // Each printer with an address of the call's family, once per address.
  std::vector<FoundPrinter> Printers() const override;

 private:
  void AskWhatIsLacking(DatagramChannel& channel, const std::vector<dnssd::DnsName>& told);

  AddressFamily family_;
  std::vector<Endpoint> destinations_;
  bool oneHost_;
  std::uint16_t agentPort_;
  std::uint16_t queryId_;
  Bytes query_;
  dnssd::MdnsAnswers answers_;
  // The names asked after, by DnsNameKey.
  std::set<std::string> askedAbout_;
};

}  // namespace jobhost::devprobe
