#include "platform/win32/pipe.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/win32/win32_test_support.h"

namespace jobhost::win32 {
namespace {

using namespace std::chrono_literals;
using testing::Stopwatch;

constexpr std::size_t kRequestBufferSize = 8192;

// The client's end: opened the way the print pipeline opens it, message mode.
UniqueFileHandle ConnectClient(const std::wstring& name) {
  HANDLE client = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  if (client == INVALID_HANDLE_VALUE) return UniqueFileHandle();
  DWORD mode = PIPE_READMODE_MESSAGE;
  ::SetNamedPipeHandleState(client, &mode, nullptr, nullptr);
  return UniqueFileHandle(client);
}

std::vector<std::byte> Bytes(std::size_t size, unsigned char fill = 'x') {
  return std::vector<std::byte>(size, std::byte{fill});
}

bool WriteMessage(HANDLE client, const std::vector<std::byte>& message) {
  DWORD written = 0;
  return ::WriteFile(client, message.data(), static_cast<DWORD>(message.size()), &written,
                     nullptr) &&
         written == message.size();
}

// The open mode of every instance created through RecordingCreate.
std::vector<DWORD> openModes;

HANDLE WINAPI RecordingCreate(LPCWSTR name, DWORD openMode, DWORD pipeMode, DWORD instances,
                              DWORD outSize, DWORD inSize, DWORD timeout,
                              LPSECURITY_ATTRIBUTES attributes) {
  openModes.push_back(openMode);
  return ::CreateNamedPipeW(name, openMode, pipeMode, instances, outSize, inSize, timeout,
                            attributes);
}

class Win32PipeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    openModes.clear();
    instance_ = host_.CreateFirstInstance(pipeName_);
    ASSERT_NE(instance_, nullptr);
    client_ = ConnectClient(testing::Wide(pipeName_));
    ASSERT_TRUE(client_.valid());
    // The client connected before the wait: it counts as connected.
    ASSERT_TRUE(instance_->WaitForClient());
  }

  ReadResult Read(std::chrono::milliseconds limit = 10s) {
    return instance_->ReadMessage(buffer_, limit);
  }

  Win32PipeHost host_{RecordingCreate};
  std::u16string pipeName_ = u"\\\\.\\pipe\\" + testing::UniqueName(u"jobhost-test-");
  std::unique_ptr<PipeInstance> instance_;
  UniqueFileHandle client_;
  std::array<std::byte, kRequestBufferSize> buffer_{};
};

TEST_F(Win32PipeTest, RequestAndReplyCrossWholeAsOneMessageEach) {
  const std::u16string request = u"CheckPort/Printer 1";
  std::vector<std::byte> requestBytes(request.size() * 2);
  std::memcpy(requestBytes.data(), request.data(), requestBytes.size());
  ASSERT_TRUE(WriteMessage(client_.get(), requestBytes));

  const ReadResult read = Read();
  ASSERT_EQ(read.status, ReadStatus::kMessage);
  ASSERT_EQ(read.size, requestBytes.size());
  EXPECT_EQ(std::memcmp(buffer_.data(), requestBytes.data(), read.size), 0);

  const std::vector<std::byte> reply = Bytes(22, 'R');
  std::vector<std::byte> received(1024);
  DWORD receivedSize = 0;
  BOOL clientRead = FALSE;
  std::thread reader([&] {
    clientRead = ::ReadFile(client_.get(), received.data(), static_cast<DWORD>(received.size()),
                            &receivedSize, nullptr);
  });
  EXPECT_EQ(instance_->DeliverReply(reply, 3, 10s), ReplyStatus::kDelivered);
  reader.join();
  ASSERT_TRUE(clientRead);
  received.resize(receivedSize);
  EXPECT_EQ(received, reply);
  // A delivered reply is followed by a disconnect.
  EXPECT_FALSE(::ReadFile(client_.get(), received.data(), 1, &receivedSize, nullptr));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PIPE_NOT_CONNECTED));
}

TEST_F(Win32PipeTest, MessageSizeDecidesTheRead) {
  struct Case {
    const char* name;
    std::size_t size;
    ReadStatus status;
  };
  const Case cases[] = {
      {"exactly the buffer", kRequestBufferSize, ReadStatus::kMessage},
      {"one byte more than the buffer", kRequestBufferSize + 1, ReadStatus::kFailed},
      {"empty message", 0, ReadStatus::kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A fresh connection per case, like the service's.
    instance_.reset();
    client_.reset();
    SetUp();
    std::thread writer([&] { WriteMessage(client_.get(), Bytes(c.size)); });
    const ReadResult read = Read();
    EXPECT_EQ(read.status, c.status);
    EXPECT_EQ(read.size, c.status == ReadStatus::kMessage ? c.size : 0u);
    // Closing the instance releases a writer still blocked on the unread rest.
    instance_.reset();
    writer.join();
  }
}

TEST_F(Win32PipeTest, SilentClientReadEndsAtLimit) {
  Stopwatch stopwatch;
  EXPECT_EQ(Read(300ms).status, ReadStatus::kFailed);
  EXPECT_GE(stopwatch.Elapsed(), 250ms);
  EXPECT_LT(stopwatch.Elapsed(), 5s);
}

TEST_F(Win32PipeTest, ReplyNobodyReadsEndsAtLimit) {
  Stopwatch stopwatch;
  EXPECT_EQ(instance_->DeliverReply(Bytes(22), 3, 300ms), ReplyStatus::kNotDelivered);
  EXPECT_LT(stopwatch.Elapsed(), 5s);
}

// The read and reply threads outlive one instance: a step cancelled at its
// limit must leave nothing that the next client's steps would take as theirs.
TEST_F(Win32PipeTest, NextClientIsServedWholeAfterStepsRanOutTheirLimits) {
  EXPECT_EQ(Read(300ms).status, ReadStatus::kFailed);
  EXPECT_EQ(instance_->DeliverReply(Bytes(22), 3, 300ms), ReplyStatus::kNotDelivered);
  const std::unique_ptr<PipeInstance> next = instance_->CreateNext();
  ASSERT_NE(next, nullptr);
  const UniqueFileHandle second = ConnectClient(testing::Wide(pipeName_));
  ASSERT_TRUE(next->WaitForClient());

  ASSERT_TRUE(WriteMessage(second.get(), Bytes(100, 'q')));
  const ReadResult read = next->ReadMessage(buffer_, 10s);
  EXPECT_EQ(read.status, ReadStatus::kMessage);
  EXPECT_EQ(read.size, 100u);
  std::vector<std::byte> received(64);
  DWORD receivedSize = 0;
  std::thread reader([&] {
    ::ReadFile(second.get(), received.data(), static_cast<DWORD>(received.size()), &receivedSize,
               nullptr);
  });
  EXPECT_EQ(next->DeliverReply(Bytes(7, 'r'), 3, 10s), ReplyStatus::kDelivered);
  reader.join();
  received.resize(receivedSize);
  EXPECT_EQ(received, Bytes(7, 'r'));
}

TEST_F(Win32PipeTest, ReplyToClosedClientIsNotDelivered) {
  client_.reset();
  EXPECT_EQ(instance_->DeliverReply(Bytes(22), 3, 10s), ReplyStatus::kNotDelivered);
}

TEST_F(Win32PipeTest, OnlyOneClientAtATime) {
  EXPECT_FALSE(ConnectClient(testing::Wide(pipeName_)).valid());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PIPE_BUSY));
}

TEST_F(Win32PipeTest, DestroyedInstanceLeavesClientBrokenAndNameFree) {
  // Closed, not disconnected: the client reads "the pipe is broken", as when
  // the service's process ends.
  instance_.reset();
  std::byte byte{};
  DWORD read = 0;
  EXPECT_FALSE(::ReadFile(client_.get(), &byte, 1, &read, nullptr));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));

  client_.reset();
  SetUp();  // the same name serves the next client
}

TEST_F(Win32PipeTest, OnlyTheFirstInstanceClaimsTheNameAndTheNextTakesTheNextClient) {
  const std::unique_ptr<PipeInstance> next = instance_->CreateNext();
  ASSERT_NE(next, nullptr);
  const UniqueFileHandle second = ConnectClient(testing::Wide(pipeName_));
  EXPECT_TRUE(second.valid());
  EXPECT_TRUE(next->WaitForClient());
  // Wine ignores FILE_FLAG_FIRST_PIPE_INSTANCE; Windows refuses a next
  // instance that carries it, and a first one while the name exists.
  const std::vector<DWORD> expected = {PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_ACCESS_DUPLEX};
  EXPECT_EQ(openModes, expected);
}

std::wstring SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return L"?";
  const UniqueLocalMemory owned(text);
  return text;
}

// Read back by a client. Wine checks no access to pipes (another account's
// instance is created all the same), so the rule is shown on the descriptor.
TEST_F(Win32PipeTest, EveryoneMayUseThePipeButOnlyOwnersAddInstances) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(::GetSecurityInfo(client_.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  UniqueLocalMemory owned(descriptor);
  ASSERT_NE(dacl, nullptr);  // a NULL DACL grants every right to everyone
  HANDLE token = nullptr;
  ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  const UniqueHandle ownedToken(token);
  DWORD user[64] = {};  // a TOKEN_USER and its SID
  DWORD size = sizeof(user);
  ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user, size, &size));
  // This account, SYSTEM, Administrators.
  const std::wstring owners[] = {SidText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid),
                                 L"S-1-5-18", L"S-1-5-32-544"};
  constexpr DWORD kUse = FILE_GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES;
  DWORD everyoneGets = 0;
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(::GetAce(dacl, index, reinterpret_cast<void**>(&ace)));
    ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    const std::wstring sid = SidText(&ace->SidStart);
    if (sid == L"S-1-1-0") {
      everyoneGets |= ace->Mask;
    } else if ((ace->Mask & FILE_CREATE_PIPE_INSTANCE) != 0) {
      EXPECT_NE(std::find(std::begin(owners), std::end(owners), sid), std::end(owners));
    }
  }
  EXPECT_EQ(everyoneGets & kUse, kUse);
  EXPECT_EQ(everyoneGets & FILE_CREATE_PIPE_INSTANCE, 0u);
}

TEST(Win32PipeHostTest, NameOutsideThePipeNamespaceMakesNoInstance) {
  Win32PipeHost host;
  EXPECT_EQ(host.CreateFirstInstance(u"C:\\not-a-pipe"), nullptr);
}

}  // namespace
}  // namespace jobhost::win32
