#include "support/windows_path.h"

#include <gtest/gtest.h>

#include "support/utf.h"

namespace jobhost {
namespace {

TEST(WindowsPath, OnlyDriveAndFileSharePathsToNonDevicesNameDiskFiles) {
  struct Case {
    std::u16string_view path;
    bool diskFile;
  };
  const Case cases[] = {
      {u"C:\\overlays\\page.prn", true},
      {u"\\\\files\\overlays\\page.prn", true},
      {u"C:\\x\\nullable.prn", true},  // names that only start like a device
      {u"C:\\NUL\\page.prn", true},    // only the last component can be a device
      {u"C:\\x\\COM10", true},
      {u"\\\\.\\pipe\\jobs", false},
      {u"\\\\?\\C:\\overlays\\page.prn", false},
      {u"C:\\x\\nul.txt", false},
      {u"C:\\x\\CONIN$", false},
      {u"C:\\x\\con:", false},
      {u"C:\\x\\COM1", false},
      {u"C:\\x\\lpt\u00b9.prn", false},
      {u"\\\\server\\PIPE\\jobs", false},
      {u"\\\\server\\pipe.\\jobs", false},
      {u"\\\\server\\mailslot\\jobs", false},
      {u"\\\\server\\ipc$\\jobs", false},
      {u"\\\\server\\share\\", false},
      {u"C:\\overlays\\", false},
      {u"C:page.prn", false},
      {u"//./pipe/jobs", false},
      {u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.path));
    EXPECT_EQ(IsDiskFilePath(c.path), c.diskFile);
  }
}

}  // namespace
}  // namespace jobhost
