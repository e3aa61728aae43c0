#pragma once

#include <string>
#include <vector>

#include "platform/debug_output.h"

namespace jobhost::testing {

class FakeDebugOutput : public DebugOutput {
 public:
  void Send(std::string_view text) override { texts.emplace_back(text); }
  std::vector<std::string> texts;
};

}  // namespace jobhost::testing
