#pragma once
// A scripted process list: launches succeed or fail as told, snapshots come
// from a queue (then the running list), and every launch, look and stop is
// recorded, as is the release of every launched process.

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fakes/fake_clock.h"
#include "platform/process.h"

namespace jobhost::testing {

struct LaunchCall {
  std::u16string path;
  std::optional<std::u16string> parameters;
};

struct StopCall {
  std::u16string imageName;
  std::chrono::milliseconds at{};  // the clock's time when stopped, if a clock is given
};

class FakeProcesses : public Processes {
 public:
  bool launchSucceeds = true;
  // Whether a launched process reports that it has ended.
  bool launchedProcessEnded = false;
  // Answers to the next looks; afterwards each look sees the running list.
  std::deque<std::vector<std::u16string>> snapshots;
  // The look (counted from 1) whose snapshot cannot be taken; 0 for none.
  int snapshotFailsAtLook = 0;
  std::vector<std::u16string> running;
  const FakeClock* clock = nullptr;

  std::vector<LaunchCall> launches;
  std::vector<StopCall> stops;
  int looks = 0;
  int handlesReleased = 0;
  int handlesOpen() const { return handlesGiven_ - handlesReleased; }

  std::unique_ptr<LaunchedProcess> Launch(std::u16string_view path,
                                          std::optional<std::u16string_view> parameters) override {
    launches.push_back(
        {std::u16string(path),
         parameters ? std::optional<std::u16string>(std::u16string(*parameters)) : std::nullopt});
    if (!launchSucceeds) return nullptr;
    ++handlesGiven_;
    return std::make_unique<Launched>(*this);
  }

  std::optional<std::vector<std::u16string>> ImageNames() override {
    ++looks;
    if (looks == snapshotFailsAtLook) return std::nullopt;
    if (snapshots.empty()) return running;
    std::vector<std::u16string> answer = snapshots.front();
    snapshots.pop_front();
    return answer;
  }

  void StopByImageName(std::u16string_view imageName) override {
    stops.push_back(
        {std::u16string(imageName), std::chrono::milliseconds(clock != nullptr ? clock->now : 0)});
  }

 private:
  class Launched : public LaunchedProcess {
   public:
    explicit Launched(FakeProcesses& owner) : owner_(owner) {}
    ~Launched() override { ++owner_.handlesReleased; }
    bool HasEnded() override { return owner_.launchedProcessEnded; }

   private:
    FakeProcesses& owner_;
  };

  int handlesGiven_ = 0;
};

}  // namespace jobhost::testing
