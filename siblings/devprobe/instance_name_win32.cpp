// Windows programs read 8-bit text in the ANSI code page.

#include <windows.h>

#include "caller_name.h"
#include "dnssd/dns_name.h"
#include "support/utf.h"

namespace jobhost::devprobe {

// The whole label is converted, then cut: a stray byte becomes U+FFFD (three
// bytes of UTF-8) but one '?' here, so a cut at the label's UTF-8 length
// would lose letters. Each letter is converted on its own, so the cut never
// splits a double-byte letter; letters the code page lacks become '?'.
std::string InstanceNameForCaller(std::string_view label) {
  const std::u16string wide = Utf8ToUtf16(dnssd::InstanceNameText(label, std::string::npos));
  // A UTF-8 code page takes no replacement letter (it has them all).
  const char* replacement = ::GetACP() == CP_UTF8 ? nullptr : "?";
  std::string text;
  for (std::size_t i = 0; i < wide.size();) {
    const bool pair =
        IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
    const int units = pair ? 2 : 1;
    char letter[8];
    BOOL lacked = FALSE;
    int size =
        ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(wide.data() + i), units,
                              letter, sizeof letter, replacement, replacement ? &lacked : nullptr);
    // A letter outside the basic plane would otherwise become "??".
    if (lacked) size = 1;
    if (size <= 0 || text.size() + static_cast<std::size_t>(size) > kMaxCallerNameBytes) break;
    text.append(letter, static_cast<std::size_t>(size));
    i += static_cast<std::size_t>(units);
  }
  return text;
}

}  // namespace jobhost::devprobe
