#pragma once
// Starting sibling programs, looking at the process list, stopping by image name.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost {

// A process this program started; destroying it releases the handle only.
class LaunchedProcess {
 public:
  virtual ~LaunchedProcess() = default;
  virtual bool HasEnded() = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;

  // Starts the file hidden, with parameters as its whole parameter text (none
  // when absent). nullptr when the system did not start it.
  virtual std::unique_ptr<LaunchedProcess> Launch(
      std::u16string_view path, std::optional<std::u16string_view> parameters) = 0;

  // The image names (file names, no path) of the running processes; nullopt
  // when no snapshot can be taken.
  virtual std::optional<std::vector<std::u16string>> ImageNames() = 0;

  // Stops every process of imageName. stopParameters is the system stop
  // command's parameter text for the same name ("/F /IM <image name>").
  // The outcome is not reported.
  virtual void StopByImageName(std::u16string_view imageName,
                               std::u16string_view stopParameters) = 0;
};

}  // namespace jobhost
