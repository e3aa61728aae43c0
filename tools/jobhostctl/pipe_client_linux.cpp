#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "pipe_client.h"
#include "system/linux/abstract_socket.h"
#include "system/linux/unique_fd.h"

namespace jobhost::ctl {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kRetryPause{50};
// Larger than any request or reply, so a longer message shows as truncated.
constexpr std::size_t kReceiveBuffer = 1 << 16;

class SocketClient : public PipeClient {
 public:
  explicit SocketClient(linux::UniqueFd socket) : socket_(std::move(socket)) {}

  // The credentials the server had when it started listening. Only this
  // user's own service is trusted: the service serves its own user only (and
  // root), so another account's, root's included, would refuse the request
  // anyway, and its answer would not be this user's.
  ServerAccount Server() override {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(socket_.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
      return {false, std::string("an account that cannot be read: ") + std::strerror(errno), ""};
    const uid_t own = geteuid();
    ServerAccount account{peer.uid == own, "uid " + std::to_string(peer.uid), ""};
    if (peer.uid != own && own != 0) account.refusedCaller = "uid " + std::to_string(own);
    return account;
  }

  SendStatus Send(std::span<const std::uint8_t> message) override {
    ssize_t sent = send(socket_.get(), message.data(), message.size(), MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(message.size())) return SendStatus::kSent;
    // A queued connection whose listener is closing fails with EPIPE, once
    // closed with ECONNRESET: either way the message never reached the service.
    return sent < 0 && (errno == ECONNRESET || errno == EPIPE) ? SendStatus::kReset
                                                               : SendStatus::kFailed;
  }

  // A connection still queued when the service closed its listener is reset
  // (ECONNRESET): it was never served. An orderly end of stream without a
  // message means the request ended the service.
  Received Receive(std::chrono::milliseconds limit) override {
    pollfd waiting{socket_.get(), POLLIN, 0};
    int ready = poll(&waiting, 1, static_cast<int>(limit.count()));
    if (ready == 0) return {ReceiveStatus::kTimedOut, {}, ""};
    if (ready < 0) return {ReceiveStatus::kFailed, {}, std::strerror(errno)};
    std::vector<std::uint8_t> buffer(kReceiveBuffer);
    ssize_t got = recv(socket_.get(), buffer.data(), buffer.size(), MSG_TRUNC);
    if (got == 0) return {ReceiveStatus::kEnded, {}, "end of stream"};
    if (got < 0 && errno == ECONNRESET) return {ReceiveStatus::kReset, {}, std::strerror(errno)};
    if (got < 0) return {ReceiveStatus::kFailed, {}, std::strerror(errno)};
    if (static_cast<std::size_t>(got) > buffer.size())
      return {ReceiveStatus::kFailed, {}, "reply longer than the buffer"};
    buffer.resize(static_cast<std::size_t>(got));
    return {ReceiveStatus::kMessage, std::move(buffer), ""};
  }

 private:
  linux::UniqueFd socket_;
};

}  // namespace

Connection ConnectPipe(const std::string& baseName, std::chrono::milliseconds limit) {
  const auto address = linux::AbstractSocketAddressOf(baseName);
  if (!address) return {ConnectStatus::kFailed, nullptr, "pipe name empty or too long"};
  Clock::time_point deadline = Clock::now() + limit;
  int refusals = 0;
  for (;;) {
    // Non-blocking, so a full backlog of a busy service is retried, not waited on.
    linux::UniqueFd socket(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket) return {ConnectStatus::kFailed, nullptr, std::strerror(errno)};
    if (connect(socket.get(), address->get(), address->length) == 0) {
      int flags = fcntl(socket.get(), F_GETFL);
      fcntl(socket.get(), F_SETFL, flags & ~O_NONBLOCK);
      return {ConnectStatus::kConnected, std::make_unique<SocketClient>(std::move(socket)), "",
              refusals};
    }
    int error = errno;
    if (error != ECONNREFUSED && error != ENOENT && error != EAGAIN)
      return {ConnectStatus::kFailed, nullptr, std::strerror(error), refusals};
    ++refusals;
    if (Clock::now() >= deadline)
      return {ConnectStatus::kNoInstance, nullptr, "no instance of the pipe within the limit",
              refusals};
    std::this_thread::sleep_for(kRetryPause);
  }
}

}  // namespace jobhost::ctl
