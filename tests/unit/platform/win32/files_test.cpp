#include "platform/win32/files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/win32/spooler.h"
#include "platform/win32/win32_test_support.h"
#include "support/utf.h"
#include "system/win32/unique_resource.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {
namespace {

class Win32FilesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetAttributes(source_, FILE_ATTRIBUTE_NORMAL);
    SetAttributes(target_, FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(testing::Wide(source_).c_str());
    ::DeleteFileW(testing::Wide(target_).c_str());
  }

  static void Write(const std::u16string& path, const std::string& content) {
    std::ofstream(testing::Wide(path).c_str(), std::ios::binary) << content;
  }
  static void SetAttributes(const std::u16string& path, DWORD attributes) {
    ::SetFileAttributesW(testing::Wide(path).c_str(), attributes);
  }
  static std::string Read(const std::u16string& path) {
    std::ifstream in(testing::Wide(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::u16string Temp(std::u16string_view stem) {
    wchar_t directory[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, directory);
    const std::wstring wide(directory);
    return std::u16string(wide.begin(), wide.end()) + testing::UniqueName(stem);
  }

  Win32Files files_;
  std::u16string source_ = Temp(u"overlay-source-");
  std::u16string target_ = Temp(u"overlay-target-");
};

TEST_F(Win32FilesTest, CopyCreatesOrReplacesTheTarget) {
  Write(source_, "overlay page");
  ASSERT_TRUE(files_.CopyReplacing(source_, target_));
  EXPECT_EQ(Read(target_), "overlay page");

  // Windows refuses to replace a read-only, hidden or system file, and a
  // read-only source's copy is one (Wine lets both through: only Windows
  // shows the clearing).
  SetAttributes(target_, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  Write(source_, "second overlay");
  SetAttributes(source_, FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(files_.CopyReplacing(source_, target_));
  ASSERT_TRUE(files_.CopyReplacing(source_, target_));
  EXPECT_EQ(Read(target_), "second overlay");
}

TEST_F(Win32FilesTest, FailedCopyLeavesTargetAsItWas) {
  constexpr DWORD kTargetAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  Write(target_, "kept");
  SetAttributes(target_, kTargetAttributes);
  const std::wstring pipe = L"\\\\.\\pipe\\" + testing::Wide(testing::UniqueName(u"source-"));
  // Non-blocking: its connect only tells whether a client has come.
  UniqueFileHandle server(
      ::CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_NOWAIT, 1, 0, 0, 0, nullptr));
  ASSERT_TRUE(server.valid());
  Write(source_, "locked");
  EXPECT_FALSE(files_.CopyReplacing(source_, FromWide(pipe)));  // nor is a target
  // Passes every check, yet the copy cannot read it.
  UniqueFileHandle locked(::CreateFileW(testing::Wide(source_).c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  for (const std::u16string& source : {Temp(u"missing-"), FromWide(pipe), source_}) {
    SCOPED_TRACE(Utf16ToUtf8(source));
    EXPECT_FALSE(files_.CopyReplacing(source, target_));
    EXPECT_EQ(Read(target_), "kept");
    EXPECT_EQ(::GetFileAttributesW(testing::Wide(target_).c_str()) & kTargetAttributes,
              kTargetAttributes);
  }
  // The pipe was refused before anything opened it: its server never saw a client.
  EXPECT_FALSE(::ConnectNamedPipe(server.get(), nullptr));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PIPE_LISTENING));
}

}  // namespace
}  // namespace jobhost::win32
