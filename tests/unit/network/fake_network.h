#pragma once
// Scripted network: datagrams arrive at set times on the fake clock, which
// moves only when the code under test waits, so every wait is exact and
// instant.

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "network/network.h"

namespace jobhost::network::testing {

using jobhost::testing::FakeClock;

using Datagram = std::vector<std::uint8_t>;

class FakeChannel : public DatagramChannel {
 public:
  explicit FakeChannel(FakeClock& clock) : clock_(clock) {}

  struct Sent {
    std::int64_t atMs;
    Endpoint to;
    Datagram datagram;
  };
  struct Arrival {
    std::int64_t atMs;
    Endpoint from;
    Datagram datagram;
  };

  bool Send(const Endpoint& to, std::span<const std::uint8_t> datagram) override {
    sent.push_back({clock_.now, to, Datagram(datagram.begin(), datagram.end())});
    return sendsSucceed;
  }

  ReceiveStatus Receive(std::span<std::uint8_t> buffer, int timeoutMs, std::size_t& size,
                        Endpoint& from) override {
    waits.push_back(timeoutMs);
    if (next_ < arrivals.size() && arrivals[next_].atMs <= clock_.now + timeoutMs) {
      const Arrival& arrival = arrivals[next_++];
      clock_.now = std::max(clock_.now, arrival.atMs);
      size = std::min(arrival.datagram.size(), buffer.size());
      std::copy_n(arrival.datagram.begin(), size, buffer.begin());
      from = arrival.from;
      return ReceiveStatus::kDatagram;
    }
    clock_.now += timeoutMs;
    return failWhenIdle ? ReceiveStatus::kFailed : ReceiveStatus::kTimeout;
  }

  std::vector<Arrival> arrivals;
  std::vector<Sent> sent;
  std::vector<int> waits;
  bool sendsSucceed = true;
  bool failWhenIdle = false;

 private:
  FakeClock& clock_;
  std::size_t next_ = 0;
};

class FakeNetwork : public Network {
 public:
  std::optional<Endpoint> Resolve(const std::string& host, AddressFamily family) override {
    const auto found = hosts.find(host);
    if (found == hosts.end() || found->second.family != family) return std::nullopt;
    return found->second;
  }
  std::vector<Ipv4Interface> Ipv4Interfaces() override { return ipv4Interfaces; }
  std::vector<std::uint32_t> Ipv6MulticastInterfaces() override { return multicastInterfaces; }
  std::vector<Ipv6Prefix> Ipv6Prefixes() override { return ipv6Prefixes; }
  // Each channel it opens passes everything on to `channel`, if set.
  std::unique_ptr<DatagramChannel> OpenChannel(AddressFamily, bool) override {
    return channel ? std::make_unique<Borrowed>(*channel) : nullptr;
  }

  std::map<std::string, Endpoint> hosts;
  // An interface of a /24 with its broadcast address, doing multicast.
  void AddIpv4Interface(std::uint32_t index, const Endpoint& address) {
    Endpoint broadcast = address;
    broadcast.address[3] = 255;
    ipv4Interfaces.push_back({index, address, 24, broadcast, true});
  }

  std::vector<Ipv4Interface> ipv4Interfaces;
  std::vector<std::uint32_t> multicastInterfaces;
  std::vector<Ipv6Prefix> ipv6Prefixes;
  FakeChannel* channel = nullptr;

 private:
  class Borrowed : public DatagramChannel {
   public:
    explicit Borrowed(FakeChannel& channel) : channel_(channel) {}
    bool Send(const Endpoint& to, std::span<const std::uint8_t> datagram) override {
      return channel_.Send(to, datagram);
    }
    ReceiveStatus Receive(std::span<std::uint8_t> buffer, int timeoutMs, std::size_t& size,
                          Endpoint& from) override {
      return channel_.Receive(buffer, timeoutMs, size, from);
    }

   private:
    FakeChannel& channel_;
  };
};

inline Endpoint Ipv6Endpoint(std::initializer_list<int> bytes, std::uint16_t port = 0,
                             std::uint32_t scopeId = 0) {
  Endpoint endpoint;
  endpoint.family = AddressFamily::kIpv6;
  std::size_t i = 0;
  for (int byte : bytes) endpoint.address[i++] = static_cast<std::uint8_t>(byte);
  endpoint.port = port;
  endpoint.scopeId = scopeId;
  return endpoint;
}

}  // namespace jobhost::network::testing
