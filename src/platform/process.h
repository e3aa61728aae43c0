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

  // Stops every process of imageName and returns once the stop has finished
  // (or, where the system stops through a command, after a bounded wait for
  // it), so a program started next is never hit by this stop. The outcome is
  // not reported.
  virtual void StopByImageName(std::u16string_view imageName) = 0;
};

}  // namespace jobhost
