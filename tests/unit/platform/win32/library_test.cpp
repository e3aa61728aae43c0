#include "platform/win32/library.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace jobhost::win32 {
namespace {

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
