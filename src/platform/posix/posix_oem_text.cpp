#include "platform/posix/posix_system.h"
#include "support/utf.h"

namespace jobhost {

std::string PosixOemText::FromUtf16(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

}  // namespace jobhost
