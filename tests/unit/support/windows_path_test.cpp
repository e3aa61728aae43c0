#include "support/windows_path.h"

#include <gtest/gtest.h>

#include "support/utf.h"

namespace jobhost {
namespace {

TEST(WindowsPath, OnlyDriveAndFileSharePathsToNonDevicesNameDiskFiles) {
  // Names that only start like a device; only the last component can be a device.
  for (const std::u16string_view path :
       {u"C:\\overlays\\page.prn", u"\\\\files\\overlays\\page.prn", u"C:\\x\\nullable.prn",
        u"C:\\NUL\\page.prn", u"C:\\x\\COM10"}) {
    EXPECT_TRUE(IsDiskFilePath(path)) << Utf16ToUtf8(path);
  }
  for (const std::u16string_view path :
       {u"\\\\.\\pipe\\jobs", u"\\\\?\\C:\\overlays\\page.prn", u"C:\\x\\nul.txt", u"C:\\x\\CONIN$",
        u"C:\\x\\con:", u"C:\\x\\COM1", u"C:\\x\\lpt\u00b9.prn", u"\\\\server\\PIPE\\jobs",
        u"\\\\server\\pipe.\\jobs", u"\\\\server\\mailslot\\jobs", u"\\\\server\\ipc$\\jobs",
        u"\\\\server\\share\\", u"C:\\overlays\\", u"C:page.prn", u"//./pipe/jobs", u""}) {
    EXPECT_FALSE(IsDiskFilePath(path)) << Utf16ToUtf8(path);
  }
}

}  // namespace
}  // namespace jobhost
