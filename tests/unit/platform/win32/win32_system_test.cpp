#include "platform/win32/win32_system.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/win32/win32_libraries.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/win32_test_support.h"

namespace jobhost::win32 {
namespace {

class Win32FilesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ::DeleteFileW(testing::Wide(source_).c_str());
    ::DeleteFileW(testing::Wide(target_).c_str());
  }

  static void Write(const std::u16string& path, const std::string& content) {
    std::ofstream(testing::Wide(path).c_str(), std::ios::binary) << content;
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

  Write(source_, "second overlay");
  ASSERT_TRUE(files_.CopyReplacing(source_, target_));
  EXPECT_EQ(Read(target_), "second overlay");
}

TEST_F(Win32FilesTest, MissingSourceFailsAndLeavesTargetAlone) {
  Write(target_, "kept");
  EXPECT_FALSE(files_.CopyReplacing(source_, target_));
  EXPECT_EQ(Read(target_), "kept");
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
