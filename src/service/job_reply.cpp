#include "service/job_reply.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace jobhost {
namespace {

std::u16string Decimal(std::int32_t value) {
  // Widened so that the most negative value has a magnitude too.
  std::int64_t wide = value;
  bool negative = wide < 0;
  std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(-wide) : wide;
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) digits.insert(digits.begin(), u'-');
  return digits;
}

std::u16string ReplyText(const JobRequest& request) {
  if (request.checkPortRequested != 0) {
    return u"Port" + Decimal(request.actionResult) + u"/" + request.portAddress;
  }
  return u"RenderReady";
}

std::vector<std::byte> EncodeUtf16Le(std::u16string_view text) {
  std::vector<std::byte> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::byte>(unit & 0xFF));
    bytes.push_back(static_cast<std::byte>(unit >> 8));
  }
  return bytes;
}

}  // namespace

std::vector<std::byte> ComposeJobReply(const JobRequest& request) {
  return EncodeUtf16Le(ReplyText(request));
}

}  // namespace jobhost
