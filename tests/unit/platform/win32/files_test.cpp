#include "platform/win32/files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/win32/library.h"
#include "platform/win32/spooler.h"
#include "platform/win32/win32_test_support.h"
#include "support/utf.h"
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

TEST(Win32OemTextTest, ConvertsExactlyTheGivenText) {
  Win32OemText oem;
  struct Case {
    std::u16string_view text;
    std::string expected;
  };
  const std::u16string whole = u"public/extra";
  const Case cases[] = {
      {u"", ""},
      {u"PRN01", "PRN01"},
      {u"192.0.2.7/x", "192.0.2.7/x"},
      {std::u16string_view(whole).substr(0, 6), "public"},  // a view, not terminated there
  };
  for (const Case& c : cases) EXPECT_EQ(oem.FromUtf16(c.text), c.expected);
}

TEST(Win32OemTextTest, UsesTheOemCodePage) {
  const UINT codePage = ::GetOEMCP();
  if (codePage != 437 && codePage != 850) GTEST_SKIP() << "OEM code page " << codePage;
  // U+00E9 is 0x82 in both code pages; in UTF-8 or ANSI it would differ.
  EXPECT_EQ(Win32OemText().FromUtf16(u"caf\u00e9"), "caf\x82");
}

TEST(Win32ModulePathTest, ReadsTheRunningProgramsWholePath) {
  const auto path = Win32ModulePath().Read();
  ASSERT_TRUE(path.has_value());
  const std::u16string_view ending = u"\\jobhost_unit_tests.exe";
  ASSERT_GT(path->size(), ending.size());
  EXPECT_EQ(path->substr(path->size() - ending.size()), ending);
}

TEST(Win32LibrariesTest, LoadsLibraryAndFindsOnlyItsExports) {
  wchar_t directory[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryW(directory, MAX_PATH), 0u);
  const std::wstring path = std::wstring(directory) + L"\\kernel32.dll";
  Win32Libraries libraries;
  auto library = libraries.Load(std::u16string(path.begin(), path.end()));
  ASSERT_NE(library, nullptr);
  EXPECT_NE(library->Symbol("GetTickCount64"), nullptr);
  EXPECT_EQ(library->Symbol("NoSuchExport"), nullptr);
}

TEST(Win32LibrariesTest, MissingLibraryIsNotLoaded) {
  EXPECT_EQ(Win32Libraries().Load(u"C:\\jobhost\\missing\\vtlportlink.dll"), nullptr);
}

}  // namespace
}  // namespace jobhost::win32
