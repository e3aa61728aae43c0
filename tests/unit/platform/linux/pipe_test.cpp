#include "platform/linux/pipe.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "fakes/fake_debug_output.h"
#include "platform/linux/linux_test_support.h"
#include "support/utf.h"
#include "system/linux/abstract_socket.h"
#include "system/linux/unique_fd.h"

namespace jobhost::linux {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::u16string UniquePipeName() {
  static int serial = 0;
  return Utf8ToUtf16("\\\\.\\pipe\\jobhosttest" + std::to_string(::getpid()) + "_" +
                     std::to_string(serial++));
}

// A client as outside callers make one: seqpacket, abstract name, exact length.
UniqueFd Connect(std::u16string_view pipeName, int* error = nullptr) {
  auto address = AbstractSocketAddressOf(*SocketNameOf(pipeName));
  UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
  if (::connect(fd.get(), address->get(), address->length) == 0) return fd;
  if (error != nullptr) *error = errno;
  return UniqueFd();
}

std::span<const std::byte> Bytes(std::string_view text) {
  return std::as_bytes(std::span(text.data(), text.size()));
}

struct Served {
  std::unique_ptr<PipeInstance> instance;
  UniqueFd client;
};

Served Serve(LinuxPipeHost& host, const std::u16string& name = UniquePipeName()) {
  Served served{host.CreateFirstInstance(name), {}};
  // Connecting before WaitForClient counts as connected.
  if (served.instance) served.client = Connect(name);
  if (!served.client || !served.instance->WaitForClient()) served.instance.reset();
  return served;
}

TEST(SocketName, DropsPipeNamespaceAndRejectsWhatNoAddressHolds) {
  const std::string longest(107, 'n');
  EXPECT_EQ(SocketNameOf(u"\\\\.\\pipe\\vtlxpsnamedpipe"), "vtlxpsnamedpipe");
  EXPECT_EQ(SocketNameOf(Utf8ToUtf16(longest)), longest);
  EXPECT_EQ(SocketNameOf(Utf8ToUtf16(longest + "x")), std::nullopt);
  EXPECT_EQ(SocketNameOf(u"\\\\.\\pipe\\"), std::nullopt);
}

TEST(LinuxPipe, ReadsOneWholeMessageOrFails) {
  struct Case {
    const char* rule;
    std::optional<std::string> message;  // nullopt: the client sends nothing
    bool closes;
    ReadStatus expected;
  };
  const Case cases[] = {
      {"a message that fills the buffer is read", "12345678", false, ReadStatus::kMessage},
      {"a message larger than the buffer fails", "123456789", false, ReadStatus::kFailed},
      {"an empty message fails", "", false, ReadStatus::kFailed},
      {"a client that closes without sending fails", std::nullopt, true, ReadStatus::kFailed},
      {"a silent client fails at the limit", std::nullopt, false, ReadStatus::kFailed},
  };
  testing::FakeDebugOutput debug;
  LinuxPipeHost host{debug};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Served served = Serve(host);
    ASSERT_TRUE(served.instance);
    if (c.message) ::send(served.client.get(), c.message->data(), c.message->size(), 0);
    if (c.closes) served.client.reset();
    std::vector<std::byte> buffer(8);
    auto start = Clock::now();
    ReadResult read = served.instance->ReadMessage(buffer, 500ms);
    auto took = Clock::now() - start;
    EXPECT_EQ(read.status, c.expected);
    std::string got(reinterpret_cast<const char*>(buffer.data()),
                    read.status == ReadStatus::kMessage ? read.size : 0);
    EXPECT_EQ(got, c.expected == ReadStatus::kMessage ? *c.message : "");
    EXPECT_LT(took, 3s);
    EXPECT_EQ(took >= 490ms, !c.message && !c.closes);
  }
}

TEST(LinuxPipe, ReplyWaitsForTheReaderWithinTheLimit) {
  using Client = std::function<void(UniqueFd&)>;
  std::string received;
  // Reads a while after the reply has arrived, well within the limit.
  const Client lateReader = [&](UniqueFd& client) {
    pollfd entry{client.get(), POLLIN, 0};
    ::poll(&entry, 1, 5000);
    std::this_thread::sleep_for(100ms);
    char incoming[64];
    ssize_t got = ::recv(client.get(), incoming, sizeof incoming, 0);
    received.assign(incoming, got > 0 ? static_cast<std::size_t>(got) : 0);
  };
  const Client closesUnread = [](UniqueFd& client) {
    pollfd entry{client.get(), POLLIN, 0};
    ::poll(&entry, 1, 5000);
    client.reset();
  };
  const Client nothing = [](UniqueFd&) {};
  const Client gone = [](UniqueFd& client) { client.reset(); };
  struct Case {
    const char* rule;
    Client before, during;  // the client's part before and while the reply is delivered
    ReplyStatus expected;
    std::chrono::milliseconds minimum;
  };
  const Case cases[] = {
      {"a late reader gets the whole reply", nothing, lateReader, ReplyStatus::kDelivered, 90ms},
      {"a client that closes unread ends the wait", nothing, closesUnread, ReplyStatus::kDelivered,
       0ms},
      {"a client that never reads is given up at the limit", nothing, nothing,
       ReplyStatus::kNotDelivered, 990ms},
      {"a client already gone makes every write fail", gone, nothing, ReplyStatus::kNotDelivered,
       0ms},
  };
  testing::FakeDebugOutput debug;
  LinuxPipeHost host{debug};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Served served = Serve(host);
    ASSERT_TRUE(served.instance);
    c.before(served.client);
    std::thread client([&] { c.during(served.client); });
    auto start = Clock::now();
    EXPECT_EQ(served.instance->DeliverReply(Bytes("RenderReady"), 3, 1s), c.expected);
    auto took = Clock::now() - start;
    client.join();
    EXPECT_GE(took, c.minimum);
    EXPECT_LT(took, 3s);
  }
  EXPECT_EQ(received, "RenderReady");
}

TEST(LinuxPipe, TheNameIsHeldFromFirstInstanceToLastAndClientsQueue) {
  testing::FakeDebugOutput debug;
  LinuxPipeHost host{debug};
  int descriptors = testing::OpenDescriptorCount();
  auto name = UniquePipeName();
  {
    auto served = host.CreateFirstInstance(name);
    ASSERT_TRUE(served);
    EXPECT_EQ(host.CreateFirstInstance(name), nullptr) << "a second claim of the same name";
    UniqueFd first = Connect(name);
    ASSERT_TRUE(served->WaitForClient());
    UniqueFd second = Connect(name);
    ASSERT_TRUE(second) << "a client that comes while one is served waits in the queue";
    auto next = served->CreateNext();
    served.reset();
    EXPECT_EQ(host.CreateFirstInstance(name), nullptr) << "taken while the next instance exists";
    ASSERT_TRUE(next->WaitForClient());
    ::send(second.get(), "2", 1, 0);
    std::vector<std::byte> buffer(8);
    EXPECT_EQ(next->ReadMessage(buffer, 1s).status, ReadStatus::kMessage) << "served in turn";
    UniqueFd queued = Connect(name);
    next.reset();
    char byte = 0;
    EXPECT_EQ(::recv(queued.get(), &byte, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET) << "still queued when the last instance goes: reset";
  }
  EXPECT_TRUE(Serve(host, name).instance) << "the name is free once the last instance is gone";
  EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
}

}  // namespace
}  // namespace jobhost::linux
