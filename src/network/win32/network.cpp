// Winsock: the few calls the siblings need.

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
// winsock2.h comes before every other Windows header (its own block, so
// include sorting keeps it there).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <mstcpip.h>

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

#include <algorithm>
#include <cstring>
#include <utility>

#include "network/network.h"
#include "system/win32/unique_socket.h"

namespace jobhost::network {
namespace {

using win32::UniqueSocket;

#include "network/sockaddr.inc"

// The adapter list, in one heap block owned here.
class AdapterList {
 public:
  AdapterList() {
    ULONG size = 16 * 1024;
    for (int attempt = 0; attempt < 3; ++attempt) {
      buffer_.resize(size);
      const ULONG result = ::GetAdaptersAddresses(
          AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
          nullptr, First(), &size);
      if (result == NO_ERROR) return;
      if (result != ERROR_BUFFER_OVERFLOW) break;
    }
    buffer_.clear();
  }
  IP_ADAPTER_ADDRESSES* First() {
    return buffer_.empty() ? nullptr : reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer_.data());
  }

 private:
  std::vector<unsigned char> buffer_;
};

// A UDP socket set up as every channel's: large buffers, never blocking,
// deaf to ICMP resets; INVALID_SOCKET when it cannot be made so.
UniqueSocket OpenUdpSocket(bool ipv6, bool broadcast) {
  UniqueSocket socket(::WSASocketW(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0,
                                   WSA_FLAG_NO_HANDLE_INHERIT));
  const SOCKET handle = socket.get();
  if (handle == INVALID_SOCKET) return socket;
  const DWORD on = 1;
  const char* value = reinterpret_cast<const char*>(&on);
  if (ipv6 && ::setsockopt(handle, IPPROTO_IPV6, IPV6_V6ONLY, value, sizeof on) != 0) {
    return UniqueSocket();
  }
  if (!ipv6 && broadcast && ::setsockopt(handle, SOL_SOCKET, SO_BROADCAST, value, sizeof on) != 0) {
    return UniqueSocket();
  }
  const int receiveSize = kReceiveBufferBytes;
  ::setsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveSize),
               sizeof receiveSize);
  const int sendSize = kSendBufferBytes;
  ::setsockopt(handle, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendSize),
               sizeof sendSize);
  // A send never waits for room (see DatagramChannel::Send); a receive
  // comes only after select said a datagram is there.
  u_long nonBlocking = 1;
  if (::ioctlsocket(handle, FIONBIO, &nonBlocking) != 0) return UniqueSocket();
  // Without this an ICMP "port unreachable" of an earlier send fails the
  // next receive; where the option is unknown the receive skips that error.
  BOOL reportResets = FALSE;
  DWORD unused = 0;
  ::WSAIoctl(handle, SIO_UDP_CONNRESET, &reportResets, sizeof reportResets, nullptr, 0, &unused,
             nullptr, nullptr);
  return socket;
}

// The first IPv4 address of the interface with this index.
std::optional<Endpoint> InterfaceAddress(std::uint32_t index) {
  AdapterList adapters;
  for (auto* adapter = adapters.First(); adapter; adapter = adapter->Next) {
    if (adapter->IfIndex != index) continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const sockaddr* address = unicast->Address.lpSockaddr;
      if (address && address->sa_family == AF_INET) return FromSockaddr(address);
    }
  }
  return std::nullopt;
}

// The adapter's IPv6 interface index; 0 without IPv6. Wine gives 0 for
// every adapter, its IPv6 addresses scoped by IfIndex all the same.
std::uint32_t Ipv6Index(const IP_ADAPTER_ADDRESSES& adapter) {
  if (adapter.Ipv6IfIndex != 0) return adapter.Ipv6IfIndex;
  for (auto* unicast = adapter.FirstUnicastAddress; unicast; unicast = unicast->Next) {
    const sockaddr* address = unicast->Address.lpSockaddr;
    if (address && address->sa_family == AF_INET6) return adapter.IfIndex;
  }
  return 0;
}

bool IsIpv4Multicast(const Endpoint& endpoint) {
  return endpoint.family == AddressFamily::kIpv4 && endpoint.address[0] >= 224 &&
         endpoint.address[0] <= 239;
}

class WinsockChannel : public DatagramChannel {
 public:
  WinsockChannel(UniqueSocket socket, bool broadcast)
      : socket_(std::move(socket)), broadcast_(broadcast) {}

  bool Send(const Endpoint& to, std::span<const std::uint8_t> datagram) override {
    SOCKET through = socket_.get();
    if (to.IsIpv6Multicast() && to.scopeId != 0) {
      const DWORD index = to.scopeId;
      if (::setsockopt(through, IPPROTO_IPV6, IPV6_MULTICAST_IF,
                       reinterpret_cast<const char*>(&index), sizeof index) != 0) {
        return false;
      }
    } else if (IsIpv4Multicast(to) && to.scopeId != 0) {
      // The interface named by its address: Wine refuses the index form
      // (0.0.0.index) with WSAEINVAL, and no IPv4 multicast left at all.
      const std::optional<Endpoint> address = InterfaceAddress(to.scopeId);
      in_addr outgoing{};
      if (!address) return false;
      std::memcpy(&outgoing, address->address.data(), sizeof outgoing);
      if (::setsockopt(through, IPPROTO_IP, IP_MULTICAST_IF,
                       reinterpret_cast<const char*>(&outgoing), sizeof outgoing) != 0) {
        return false;
      }
    } else if (to.family == AddressFamily::kIpv4 && to.scopeId != 0) {
      // A broadcast leaves through the interface whose address its socket has.
      through = SocketOn(to.scopeId);
      if (through == INVALID_SOCKET) return false;
    }
    sockaddr_storage storage;
    const int length = ToSockaddr(to, storage);
    return ::sendto(through, reinterpret_cast<const char*>(datagram.data()),
                    static_cast<int>(datagram.size()), 0,
                    reinterpret_cast<const sockaddr*>(&storage), length) != SOCKET_ERROR;
  }

  ReceiveStatus Receive(std::span<std::uint8_t> buffer, int timeoutMs, std::size_t& size,
                        Endpoint& from) override {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_.get(), &readable);
    for (const auto& [index, socket] : bound_) FD_SET(socket.get(), &readable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int ready = ::select(0, &readable, nullptr, nullptr, &wait);
    if (ready == 0) return ReceiveStatus::kTimeout;
    if (ready == SOCKET_ERROR) return ReceiveStatus::kFailed;
    SOCKET source = socket_.get();
    for (const auto& [index, socket] : bound_) {
      if (FD_ISSET(socket.get(), &readable)) source = socket.get();
    }
    sockaddr_storage storage;
    int length = sizeof storage;
    const int received =
        ::recvfrom(source, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()),
                   0, reinterpret_cast<sockaddr*>(&storage), &length);
    if (received == SOCKET_ERROR) {
      // ICMP errors of earlier sends and cut datagrams are no reason to stop.
      const int error = ::WSAGetLastError();
      return (error == WSAECONNRESET || error == WSAEMSGSIZE || error == WSAEWOULDBLOCK ||
              error == WSAENETRESET || error == WSAEINTR)
                 ? ReceiveStatus::kSkipped
                 : ReceiveStatus::kFailed;
    }
    size = static_cast<std::size_t>(received);
    from = FromSockaddr(reinterpret_cast<const sockaddr*>(&storage));
    return ReceiveStatus::kDatagram;
  }

  std::optional<BufferSizes> Buffers() const override {
    BufferSizes sizes;
    int length = sizeof sizes.receive;
    if (::getsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&sizes.receive),
                     &length) != 0) {
      return std::nullopt;
    }
    length = sizeof sizes.send;
    if (::getsockopt(socket_.get(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&sizes.send),
                     &length) != 0) {
      return std::nullopt;
    }
    return sizes;
  }

 private:
  // The socket bound to the interface's address, made at its first use;
  // INVALID_SOCKET when it cannot be made.
  SOCKET SocketOn(std::uint32_t index) {
    for (const auto& [known, socket] : bound_) {
      if (known == index) return socket.get();
    }
    // select() watches at most FD_SETSIZE sockets.
    const std::optional<Endpoint> address = InterfaceAddress(index);
    if (!address || bound_.size() + 1 >= FD_SETSIZE) return INVALID_SOCKET;
    UniqueSocket socket = OpenUdpSocket(false, broadcast_);
    sockaddr_storage storage;
    const int length = ToSockaddr(*address, storage);
    if (socket.get() == INVALID_SOCKET ||
        ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&storage), length) != 0) {
      return INVALID_SOCKET;
    }
    bound_.emplace_back(index, std::move(socket));
    return bound_.back().second.get();
  }

  UniqueSocket socket_;
  bool broadcast_;
  std::vector<std::pair<std::uint32_t, UniqueSocket>> bound_;
};

class WinsockNetwork : public Network {
 public:
  WinsockNetwork() { started_ = ::WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
  ~WinsockNetwork() override {
    if (started_) ::WSACleanup();
  }
  WinsockNetwork(const WinsockNetwork&) = delete;
  WinsockNetwork& operator=(const WinsockNetwork&) = delete;
  bool Started() const { return started_; }

  std::optional<Endpoint> Resolve(const std::string& host, AddressFamily family) override {
    return ResolveHost(host, family);
  }

  std::vector<Ipv4Interface> Ipv4Interfaces() override {
    std::vector<Ipv4Interface> interfaces;
    AdapterList adapters;
    for (auto* adapter = adapters.First(); adapter; adapter = adapter->Next) {
      if (adapter->OperStatus != IfOperStatusUp) continue;
      const bool loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
      for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
        const sockaddr* address = unicast->Address.lpSockaddr;
        if (!address || address->sa_family != AF_INET) continue;
        Ipv4Interface found;
        found.index = adapter->IfIndex;
        found.address = FromSockaddr(address);
        found.prefixLength = std::min<int>(unicast->OnLinkPrefixLength, 32);
        // /31 and /32 networks have no broadcast address.
        if (!loopback && found.prefixLength < 31) {
          Endpoint broadcast = found.address;
          const std::uint32_t hostBits = 0xFFFFFFFFu >> found.prefixLength;
          for (int i = 0; i < 4; ++i) {
            broadcast.address[i] |= static_cast<std::uint8_t>(hostBits >> (8 * (3 - i)));
          }
          found.broadcast = broadcast;
        }
        found.multicast = !loopback && !(adapter->Flags & IP_ADAPTER_NO_MULTICAST);
        interfaces.push_back(found);
      }
    }
    return interfaces;
  }

  std::vector<std::uint32_t> Ipv6MulticastInterfaces() override {
    std::vector<std::uint32_t> indexes;
    AdapterList adapters;
    for (auto* adapter = adapters.First(); adapter; adapter = adapter->Next) {
      const std::uint32_t index = Ipv6Index(*adapter);
      if (adapter->OperStatus != IfOperStatusUp || (adapter->Flags & IP_ADAPTER_NO_MULTICAST) ||
          index == 0 || std::find(indexes.begin(), indexes.end(), index) != indexes.end()) {
        continue;
      }
      indexes.push_back(index);
    }
    return indexes;
  }

  std::vector<Ipv6Prefix> Ipv6Prefixes() override {
    std::vector<Ipv6Prefix> prefixes;
    AdapterList adapters;
    for (auto* adapter = adapters.First(); adapter; adapter = adapter->Next) {
      const std::uint32_t index = Ipv6Index(*adapter);
      if (adapter->OperStatus != IfOperStatusUp || index == 0) continue;
      for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
        const sockaddr* address = unicast->Address.lpSockaddr;
        if (!address || address->sa_family != AF_INET6) continue;
        Ipv6Prefix found;
        found.index = index;
        found.address = FromSockaddr(address);
        found.address.scopeId = 0;
        found.prefixLength = std::min<int>(unicast->OnLinkPrefixLength, 128);
        prefixes.push_back(found);
      }
    }
    return prefixes;
  }

  std::unique_ptr<DatagramChannel> OpenChannel(AddressFamily family, bool broadcast) override {
    UniqueSocket socket = OpenUdpSocket(family == AddressFamily::kIpv6, broadcast);
    if (socket.get() == INVALID_SOCKET) return nullptr;
    return std::make_unique<WinsockChannel>(std::move(socket), broadcast);
  }

 private:
  WSADATA data_{};
  bool started_ = false;
};

}  // namespace

std::unique_ptr<Network> OpenSystemNetwork() {
  auto network = std::make_unique<WinsockNetwork>();
  if (!network->Started()) return nullptr;
  return network;
}

}  // namespace jobhost::network
