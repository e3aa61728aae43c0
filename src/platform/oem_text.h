#pragma once
// The 8-bit ("OEM") form of command-line text.

#include <cstddef>
#include <string>
#include <string_view>

namespace jobhost {

class OemText {
 public:
  virtual ~OemText() = default;
  // Converts UTF-16 text to the 8-bit form used with the discovery library and
  // for number parsing (the OEM code page on Windows, UTF-8 elsewhere).
  virtual std::string FromUtf16(std::u16string_view text) = 0;
  // How many bytes of 8-bit text, at most maxBytes, hold whole letters, by
  // the rules of its encoding: a cut there splits none.
  virtual std::size_t WholeLettersWithin(std::string_view text, std::size_t maxBytes) = 0;
};

}  // namespace jobhost
