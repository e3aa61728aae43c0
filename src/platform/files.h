#pragma once
// File copies for overlay requests.

#include <string_view>

namespace jobhost {

class Files {
 public:
  virtual ~Files() = default;
  // Copies source to target, replacing an existing target.
  virtual bool CopyReplacing(std::u16string_view source, std::u16string_view target) = 0;
};

}  // namespace jobhost
