// BSD sockets: the few calls the siblings need.

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "network/network.h"
#include "system/linux/unique_fd.h"
#include "system/unique_resource.h"

namespace jobhost::network {
namespace {

#include "network/sockaddr.inc"

class LinuxChannel : public DatagramChannel {
 public:
  explicit LinuxChannel(linux::UniqueFd socket) : socket_(std::move(socket)) {}

  bool Send(const Endpoint& to, std::span<const std::uint8_t> datagram) override {
    if (to.IsIpv6Multicast() && to.scopeId != 0) {
      const unsigned index = to.scopeId;
      if (::setsockopt(socket_.get(), IPPROTO_IPV6, IPV6_MULTICAST_IF, &index, sizeof index) != 0) {
        return false;
      }
    }
    sockaddr_storage storage;
    iovec data{const_cast<std::uint8_t*>(datagram.data()), datagram.size()};
    msghdr message{};
    message.msg_name = &storage;
    message.msg_namelen = ToSockaddr(to, storage);
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    // An IPv4 multicast or broadcast leaves through the interface it names,
    // not only through the one of the default route.
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (to.family == AddressFamily::kIpv4 && to.scopeId != 0) {
      message.msg_control = control;
      message.msg_controllen = sizeof control;
      cmsghdr* header = CMSG_FIRSTHDR(&message);
      header->cmsg_level = IPPROTO_IP;
      header->cmsg_type = IP_PKTINFO;
      header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
      in_pktinfo info{};
      info.ipi_ifindex = static_cast<int>(to.scopeId);
      std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    // Never waits for room: datagrams to LAN hosts that do not answer address
    // resolution stay charged to the socket for seconds, and the call must
    // still end at its time-out. What does not fit now is not sent.
    return ::sendmsg(socket_.get(), &message, MSG_DONTWAIT) >= 0;
  }

  ReceiveStatus Receive(std::span<std::uint8_t> buffer, int timeoutMs, std::size_t& size,
                        Endpoint& from) override {
    pollfd waiting{socket_.get(), POLLIN, 0};
    const int ready = ::poll(&waiting, 1, timeoutMs);
    if (ready == 0) return ReceiveStatus::kTimeout;
    if (ready < 0) return errno == EINTR ? ReceiveStatus::kSkipped : ReceiveStatus::kFailed;
    sockaddr_storage storage;
    socklen_t length = sizeof storage;
    const ssize_t received = ::recvfrom(socket_.get(), buffer.data(), buffer.size(), MSG_TRUNC,
                                        reinterpret_cast<sockaddr*>(&storage), &length);
    if (received < 0) {
      // ICMP errors of earlier sends and interruptions are no reason to stop.
      return (errno == EINTR || errno == EAGAIN || errno == ECONNREFUSED || errno == EHOSTUNREACH ||
              errno == ENETUNREACH)
                 ? ReceiveStatus::kSkipped
                 : ReceiveStatus::kFailed;
    }
    if (static_cast<std::size_t>(received) > buffer.size()) return ReceiveStatus::kSkipped;
    size = static_cast<std::size_t>(received);
    from = FromSockaddr(reinterpret_cast<const sockaddr*>(&storage));
    return ReceiveStatus::kDatagram;
  }

  // Linux reports twice the room asked for (its bookkeeping's share).
  std::optional<BufferSizes> Buffers() const override {
    int receive = 0;
    int send = 0;
    socklen_t length = sizeof receive;
    if (::getsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF, &receive, &length) != 0)
      return std::nullopt;
    length = sizeof send;
    if (::getsockopt(socket_.get(), SOL_SOCKET, SO_SNDBUF, &send, &length) != 0)
      return std::nullopt;
    return BufferSizes{receive / 2, send / 2};
  }

 private:
  linux::UniqueFd socket_;
};

// The forced size passes the system's cap (net.core.rmem_max, wmem_max)
// where the caller may; elsewhere the plain request gets as much as the cap
// allows.
void SetBufferSize(int socket, int forced, int plain, int size) {
  if (::setsockopt(socket, SOL_SOCKET, forced, &size, sizeof size) != 0) {
    ::setsockopt(socket, SOL_SOCKET, plain, &size, sizeof size);
  }
}

class LinuxNetwork : public Network {
 public:
  std::optional<Endpoint> Resolve(const std::string& host, AddressFamily family) override {
    return ResolveHost(host, family);
  }

  std::vector<Ipv4Interface> Ipv4Interfaces() override {
    std::vector<Ipv4Interface> interfaces;
    ForEachInterface([&](const ifaddrs& entry) {
      if (entry.ifa_addr->sa_family != AF_INET || !entry.ifa_netmask) return;
      Ipv4Interface found;
      found.index = ::if_nametoindex(entry.ifa_name);
      found.address = FromSockaddr(entry.ifa_addr);
      found.prefixLength = std::popcount(Ipv4Bits(FromSockaddr(entry.ifa_netmask)));
      const bool loopback = (entry.ifa_flags & IFF_LOOPBACK) != 0;
      if ((entry.ifa_flags & IFF_BROADCAST) && !loopback && entry.ifa_broadaddr &&
          entry.ifa_broadaddr->sa_family == AF_INET) {
        found.broadcast = FromSockaddr(entry.ifa_broadaddr);
      }
      found.multicast = (entry.ifa_flags & IFF_MULTICAST) && !loopback;
      if (found.index != 0) interfaces.push_back(found);
    });
    return interfaces;
  }

  std::vector<std::uint32_t> Ipv6MulticastInterfaces() override {
    std::vector<std::uint32_t> indexes;
    ForEachInterface([&](const ifaddrs& entry) {
      if (entry.ifa_addr->sa_family != AF_INET6 || !(entry.ifa_flags & IFF_MULTICAST)) return;
      const std::uint32_t index = ::if_nametoindex(entry.ifa_name);
      if (index != 0 && std::find(indexes.begin(), indexes.end(), index) == indexes.end()) {
        indexes.push_back(index);
      }
    });
    return indexes;
  }

  std::vector<Ipv6Prefix> Ipv6Prefixes() override {
    std::vector<Ipv6Prefix> prefixes;
    ForEachInterface([&](const ifaddrs& entry) {
      if (entry.ifa_addr->sa_family != AF_INET6 || !entry.ifa_netmask) return;
      Ipv6Prefix found;
      found.index = ::if_nametoindex(entry.ifa_name);
      found.address = FromSockaddr(entry.ifa_addr);
      found.address.scopeId = 0;
      found.prefixLength = 0;
      for (std::uint8_t byte : FromSockaddr(entry.ifa_netmask).address) {
        found.prefixLength += std::popcount(byte);
      }
      if (found.index != 0) prefixes.push_back(found);
    });
    return prefixes;
  }

  std::unique_ptr<DatagramChannel> OpenChannel(AddressFamily family, bool broadcast) override {
    const bool ipv6 = family == AddressFamily::kIpv6;
    linux::UniqueFd owned(::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!owned) return nullptr;
    const int socket = owned.get();
    auto channel = std::make_unique<LinuxChannel>(std::move(owned));
    const int on = 1;
    // IPv4 answers must not arrive as mapped IPv6 addresses.
    if (ipv6 && ::setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on) != 0) {
      return nullptr;
    }
    if (!ipv6 && broadcast && ::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
      return nullptr;
    }
    SetBufferSize(socket, SO_RCVBUFFORCE, SO_RCVBUF, kReceiveBufferBytes);
    SetBufferSize(socket, SO_SNDBUFFORCE, SO_SNDBUF, kSendBufferBytes);
    return channel;
  }

 private:
  template <typename Visit>
  static void ForEachInterface(Visit visit) {
    ifaddrs* first = nullptr;
    if (::getifaddrs(&first) != 0) return;
    const UniquePointer<ifaddrs, ::freeifaddrs> list(first);
    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
      if (entry->ifa_addr && (entry->ifa_flags & IFF_UP)) visit(*entry);
    }
  }
};

}  // namespace

std::unique_ptr<Network> OpenSystemNetwork() {
  return std::make_unique<LinuxNetwork>();
}

}  // namespace jobhost::network
