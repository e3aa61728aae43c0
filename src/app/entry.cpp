#include "app/entry.h"

#include <optional>
#include <string_view>

#include "family/family.h"
#include "search/search_command.h"
#include "service/job_service.h"

namespace jobhost {

int RunJobHost(const std::vector<std::u16string>& arguments, Platform& platform) {
  // Without its own path the program can find neither its siblings nor its pipe.
  std::optional<std::u16string> modulePath = platform.modulePath.Read();
  if (!modulePath) return 1;
  const Family family = DeriveFamily(*modulePath);

  // Only the first argument counts.
  if (arguments.size() > 1) {
    if (std::optional<int> exitCode = RunSearchCommand(arguments[1], family, platform)) {
      return *exitCode;
    }
  }
  return RunJobService(family, platform);
}

}  // namespace jobhost
