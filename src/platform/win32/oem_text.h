#pragma once
// The 8-bit form of command-line text: the OEM code page.

#include <cstddef>
#include <string_view>

#include "platform/oem_text.h"

namespace jobhost::win32 {

// How many bytes of text in codePage, at most maxBytes, hold whole letters:
// a double-byte letter (its lead byte by IsDBCSLeadByteEx) is never split,
// and a single-byte code page keeps every byte that fits.
std::size_t WholeLettersWithin(std::string_view text, std::size_t maxBytes, unsigned codePage);

class Win32OemText : public OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override;
  std::size_t WholeLettersWithin(std::string_view text, std::size_t maxBytes) override;
};

}  // namespace jobhost::win32
