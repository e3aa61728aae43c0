#pragma once
// What the siblings need from the system's network stack: UDP sockets and
// interface lists (their clock is the system layer's). The socket layer
// (linux/network.cpp, win32/network.cpp) implements it in a few calls each;
// tests put scripted stand-ins in its place (tests/unit/network/fake_network.h).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "network/endpoint.h"

namespace jobhost::network {

enum class ReceiveStatus {
  kDatagram,  // one datagram was received
  kTimeout,   // nothing arrived in time
  kSkipped,   // a harmless hiccup (interrupted, a stray error report): wait again
  kFailed,    // the socket cannot be used any more
};

struct BufferSizes {
  int receive = 0;
  int send = 0;
};

// One UDP socket of one family, unbound until its first send.
class DatagramChannel {
 public:
  virtual ~DatagramChannel() = default;
  // For an IPv6 multicast destination, and an IPv4 multicast or broadcast
  // one, a scope id names the interface (by index) to leave through.
  // Never waits for room in the send buffer: what does not fit is not sent.
  virtual bool Send(const Endpoint& to, std::span<const std::uint8_t> datagram) = 0;
  // Waits at most timeoutMs for one datagram; on kDatagram fills size and from.
  virtual ReceiveStatus Receive(std::span<std::uint8_t> buffer, int timeoutMs, std::size_t& size,
                                Endpoint& from) = 0;
  // The room the system gave the receive and send buffers, in bytes, read
  // back from the socket; nullopt where it cannot tell.
  virtual std::optional<BufferSizes> Buffers() const { return std::nullopt; }
};

// Room for the answers of a few hundred agents to one broadcast, which all
// arrive at once.
inline constexpr int kReceiveBufferBytes = 1 << 20;
// Room for a sweep of a /24 on the searcher's own LAN: a datagram to a host
// that does not answer address resolution holds its place for seconds.
inline constexpr int kSendBufferBytes = 1 << 20;

// An IPv4 address of an interface that is up.
struct Ipv4Interface {
  std::uint32_t index = 0;
  Endpoint address;
  int prefixLength = 32;
  // Set when the interface has one (not on loopback or point-to-point links).
  std::optional<Endpoint> broadcast;
  bool multicast = false;

  bool OnNetwork(const Endpoint& other) const;
};

// An IPv6 prefix of an interface that is up: its address and on-link
// prefix length as the system lists them.
struct Ipv6Prefix {
  std::uint32_t index = 0;
  Endpoint address;
  int prefixLength = 128;

  bool Holds(const Endpoint& other) const;
};

class Network {
 public:
  virtual ~Network() = default;
  // The first address of the family for a literal or a host name.
  virtual std::optional<Endpoint> Resolve(const std::string& host, AddressFamily family) = 0;
  // Every address of every IPv4 interface that is up, loopback included.
  virtual std::vector<Ipv4Interface> Ipv4Interfaces() = 0;
  // The index of every IPv6 interface that is up and does multicast.
  virtual std::vector<std::uint32_t> Ipv6MulticastInterfaces() = 0;
  // Every IPv6 address of every interface that is up, with its prefix.
  virtual std::vector<Ipv6Prefix> Ipv6Prefixes() = 0;
  // nullptr when no socket can be made; broadcast allows IPv4 broadcasts.
  // Its buffers hold at least kReceiveBufferBytes and kSendBufferBytes where
  // the system lets them.
  virtual std::unique_ptr<DatagramChannel> OpenChannel(AddressFamily family, bool broadcast) = 0;
};

// The system's network (sockets started for as long as the object lives).
std::unique_ptr<Network> OpenSystemNetwork();

}  // namespace jobhost::network
