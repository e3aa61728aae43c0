// The command-line split never reads outside the argument and keeps every
// field within its capacity, whatever the length text says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/search_command.h"
#include "support/utf.h"

namespace {

class Utf8Oem : public jobhost::OemText {
 public:
  std::string FromUtf16(std::u16string_view text) override { return jobhost::Utf16ToUtf8(text); }
  std::size_t WholeLettersWithin(std::string_view text, std::size_t maxBytes) override {
    return jobhost::Utf8WholeLettersWithin(text, maxBytes);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string argument;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    argument.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  Utf8Oem oem;
  jobhost::ArgumentSplit split = jobhost::SplitSearchArgument(argument, oem);
  if (split.kind == jobhost::ArgumentSplit::Kind::kSearch) {
    const auto& fields = split.argument;
    if (fields.innerKeyName.size() >= 260 || fields.outerKeyName.size() >= 260) std::abort();
    if (fields.searchParameter && fields.searchParameter->size() >= 260) std::abort();
  }
  return 0;
}
