#pragma once
// The running program's path, from which every name of the family derives.

#include <optional>
#include <string>

namespace jobhost {

class ModulePath {
 public:
  virtual ~ModulePath() = default;
  // The running program's whole path; nullopt when it cannot be read.
  virtual std::optional<std::u16string> Read() = 0;
};

}  // namespace jobhost
