#pragma once
// Sibling programs: started through the shell, found in the process list,
// stopped with the system's taskkill.exe.

#include "platform/process.h"
#include "system/win32/unique_resource.h"

namespace jobhost::win32 {

class Win32LaunchedProcess : public LaunchedProcess {
 public:
  explicit Win32LaunchedProcess(UniqueHandle process) : process_(std::move(process)) {}
  // False while the process runs, and when the shell returned no handle to watch.
  bool HasEnded() override;

 private:
  UniqueHandle process_;
};

class Win32Processes : public Processes {
 public:
  std::unique_ptr<LaunchedProcess> Launch(std::u16string_view path,
                                          std::optional<std::u16string_view> parameters) override;
  std::optional<std::vector<std::u16string>> ImageNames() override;
  // Runs taskkill.exe /F /IM "<imageName>" without a window and waits for it
  // to end (at most 10 s).
  void StopByImageName(std::u16string_view imageName) override;
};

}  // namespace jobhost::win32
