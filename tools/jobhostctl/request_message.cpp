#include "request_message.h"

#include "support/utf.h"

namespace jobhost::ctl {

std::string PipeBaseName(std::string_view name) {
  constexpr std::string_view kNamespace = "\\\\.\\pipe\\";
  if (name.substr(0, kNamespace.size()) == kNamespace) name.remove_prefix(kNamespace.size());
  return std::string(name);
}

std::vector<std::uint8_t> BuildRequestMessage(const MessageRecipe& recipe) {
  std::u16string text = Utf8ToUtf16(recipe.request.value_or(std::string()));
  if (recipe.terminator) text.push_back(u'\0');
  std::vector<std::uint8_t> message;
  for (char16_t unit : text) {
    message.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    message.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  if (recipe.size) {
    while (message.size() < *recipe.size) {
      message.push_back(message.size() % 2 == 0 ? std::uint8_t{'x'} : std::uint8_t{0});
    }
    message.resize(*recipe.size);
  }
  return message;
}

std::string DecodeReply(std::span<const std::uint8_t> message) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < message.size(); i += 2)
    text.push_back(static_cast<char16_t>(message[i] | (message[i + 1] << 8)));
  if (message.size() % 2 != 0) text.push_back(u'\uFFFD');
  return Utf16ToUtf8(text);
}

}  // namespace jobhost::ctl
