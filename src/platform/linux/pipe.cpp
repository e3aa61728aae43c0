#include "platform/linux/pipe.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/client_refusals.h"
#include "platform/linux/deadline.h"
#include "support/utf.h"
#include "system/clock.h"
#include "system/linux/abstract_socket.h"
#include "system/linux/unique_fd.h"

namespace jobhost::linux {
namespace {

// Nothing signals that the peer has consumed a message, so the wait for an
// empty send queue polls; 1 ms keeps the reply's latency negligible.
constexpr int kConsumedPollIntervalMs = 1;

// Room for more clients than the print pipeline runs at once, and little
// kernel memory. One beyond them waits in connect(), or, connecting without
// blocking, is refused (EAGAIN) and retries, as at a busy pipe.
constexpr int kListenBacklog = 16;

// The listening socket and what every instance shares: the account check's
// record of refused clients.
struct Listener {
  Listener(UniqueFd listening, DebugOutput& debug)
      : socket(std::move(listening)), refusals(clock, debug, ::geteuid()) {}
  UniqueFd socket;
  SteadyClock clock;
  ClientRefusals refusals;
};
using SharedListener = std::shared_ptr<Listener>;

// Waits for events on fd until they arrive (true) or the deadline passes.
bool PollUntil(int fd, short events, const Deadline& deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    int ready = ::poll(&entry, 1, deadline.RemainingMs());
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

// An abstract socket has no permissions, so the peer's account decides:
// only the service's own user and root may make it start programs and copy
// files with its rights. Anyone else is closed before anything is read.
bool ServesUserOf(int client, ClientRefusals& refusals) {
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
  if (peer.uid == ::geteuid() || peer.uid == 0) return true;
  refusals.Refused(peer.uid);
  return false;
}

class SocketPipeInstance : public PipeInstance {
 public:
  explicit SocketPipeInstance(SharedListener listener) : listener_(std::move(listener)) {}

  // Takes the next client from the queue; the listener stays open, so the
  // name stays bound while this client is served.
  bool WaitForClient() override {
    while (!client_) {
      UniqueFd client(::accept4(listener_->socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (!client && errno != EINTR && errno != ECONNABORTED) return false;
      if (client && ServesUserOf(client.get(), listener_->refusals)) client_ = std::move(client);
    }
    return true;
  }

  ReadResult ReadMessage(std::span<std::byte> buffer, std::chrono::milliseconds limit) override {
    if (!client_) return {};
    Deadline deadline(limit);
    if (!PollUntil(client_.get(), POLLIN, deadline)) return {};
    iovec part{buffer.data(), buffer.size()};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    ssize_t received;
    do {
      received = ::recvmsg(client_.get(), &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    } while (received < 0 && errno == EINTR);
    // Zero bytes is an empty message or a closed peer; a cut message is no request.
    if (received <= 0 || (header.msg_flags & MSG_TRUNC) != 0) return {};
    return {ReadStatus::kMessage, static_cast<std::size_t>(received)};
  }

  ReplyStatus DeliverReply(std::span<const std::byte> message, int maxAttempts,
                           std::chrono::milliseconds limit) override {
    if (!client_) return ReplyStatus::kNotDelivered;
    Deadline deadline(limit);
    if (!SendWhole(message, maxAttempts, deadline)) return ReplyStatus::kNotDelivered;
    return AwaitConsumed(deadline) ? ReplyStatus::kDelivered : ReplyStatus::kNotDelivered;
  }

  std::unique_ptr<PipeInstance> CreateNext() override {
    return std::make_unique<SocketPipeInstance>(listener_);
  }

 private:
  bool SendWhole(std::span<const std::byte> message, int maxAttempts, const Deadline& deadline) {
    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
      if (!PollUntil(client_.get(), POLLOUT, deadline)) return false;
      ssize_t sent =
          ::send(client_.get(), message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent >= 0 && static_cast<std::size_t>(sent) == message.size()) return true;
    }
    return false;
  }

  // The send queue counts what the peer has not yet read; it empties when
  // the peer reads the reply or closes its end.
  bool AwaitConsumed(const Deadline& deadline) {
    for (;;) {
      int queued = 0;
      if (::ioctl(client_.get(), SIOCOUTQ, &queued) != 0) return false;
      if (queued == 0) return true;
      if (deadline.Passed()) return false;
      pollfd entry{client_.get(), 0, 0};
      int wait = std::min(kConsumedPollIntervalMs, deadline.RemainingMs());
      if (::poll(&entry, 1, wait) > 0 && (entry.revents & (POLLHUP | POLLERR)) != 0) return true;
    }
  }

  SharedListener listener_;
  UniqueFd client_;
};

}  // namespace

std::optional<std::string> SocketNameOf(std::u16string_view pipeName) {
  std::u16string_view ns = kPipeNamespace;
  if (pipeName.starts_with(ns)) pipeName.remove_prefix(ns.size());
  std::string name = Utf16ToUtf8(pipeName);
  if (name.empty() || name.size() > kMaxAbstractNameBytes) return std::nullopt;
  return name;
}

// A name that another socket holds fails to bind (EADDRINUSE).
std::unique_ptr<PipeInstance> LinuxPipeHost::CreateFirstInstance(std::u16string_view pipeName) {
  auto name = SocketNameOf(pipeName);
  if (!name) return nullptr;
  auto address = AbstractSocketAddressOf(*name);
  if (!address) return nullptr;
  UniqueFd listener(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
  if (!listener) return nullptr;
  if (::bind(listener.get(), address->get(), address->length) != 0) return nullptr;
  if (::listen(listener.get(), kListenBacklog) != 0) return nullptr;
  return std::make_unique<SocketPipeInstance>(
      std::make_shared<Listener>(std::move(listener), debug_));
}

}  // namespace jobhost::linux
