#include "platform/win32/oem_text.h"

#include <windows.h>

#include <climits>
#include <string>

#include "support/utf.h"
#include "system/win32/wide_text.h"

namespace jobhost::win32 {

std::string Win32OemText::FromUtf16(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const std::wstring wide = ToWide(text);
  const int length = static_cast<int>(wide.size());
  const int size =
      ::WideCharToMultiByte(CP_OEMCP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string converted(static_cast<std::size_t>(size), '\0');
  const int written = ::WideCharToMultiByte(CP_OEMCP, 0, wide.data(), length, converted.data(),
                                            size, nullptr, nullptr);
  converted.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return converted;
}

std::size_t WholeLettersWithin(std::string_view text, std::size_t maxBytes, unsigned codePage) {
  if (text.size() <= maxBytes) return text.size();
  if (codePage == CP_UTF8) return Utf8WholeLettersWithin(text, maxBytes);
  std::size_t kept = 0;
  while (kept < maxBytes) {
    const BYTE lead = static_cast<BYTE>(text[kept]);
    const std::size_t letter = ::IsDBCSLeadByteEx(codePage, lead) ? 2 : 1;
    if (kept + letter > maxBytes) break;
    kept += letter;
  }
  return kept;
}

std::size_t Win32OemText::WholeLettersWithin(std::string_view text, std::size_t maxBytes) {
  return win32::WholeLettersWithin(text, maxBytes, ::GetOEMCP());
}

}  // namespace jobhost::win32
