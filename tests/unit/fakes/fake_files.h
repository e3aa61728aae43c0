#pragma once
// Records every copy; its outcome is scripted.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace jobhost::testing {

class FakeFiles : public Files {
 public:
  bool copySucceeds = true;
  std::vector<std::pair<std::u16string, std::u16string>> copies;

  bool CopyReplacing(std::u16string_view source, std::u16string_view target) override {
    copies.emplace_back(source, target);
    return copySucceeds;
  }
};

}  // namespace jobhost::testing
