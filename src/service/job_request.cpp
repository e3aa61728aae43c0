#include "service/job_request.h"

#include <string_view>

namespace jobhost {
namespace {

constexpr std::u16string_view kRenderKeyword = u"RenderXPS";
constexpr std::u16string_view kCreateOverlayKeyword = u"CreateOverlay";
constexpr std::u16string_view kPrintOverlayKeyword = u"PrintOverlay";
constexpr std::u16string_view kCloseKeyword = u"Close";
constexpr std::u16string_view kDuplexKeyword = u"Duplex";
constexpr std::u16string_view kEndRenderKeyword = u"EndRender";
constexpr std::u16string_view kCheckPortKeyword = u"CheckPort";

// Render arguments and the printer name start after the keyword and one
// separator character.
constexpr std::size_t kRenderArgumentsStart = 10;
constexpr std::size_t kPrinterNameStart = 10;

constexpr std::u16string_view::size_type kNone = std::u16string_view::npos;

// The request text: whole UTF-16LE units (an odd last byte is dropped), up to
// the first NUL.
std::u16string DecodeRequestText(std::span<const std::byte> message) {
  std::u16string text;
  text.reserve(message.size() / 2);
  for (std::size_t i = 0; i + 1 < message.size(); i += 2) {
    auto unit = static_cast<char16_t>(std::to_integer<unsigned>(message[i]) |
                                      (std::to_integer<unsigned>(message[i + 1]) << 8));
    if (unit == u'\0') break;
    text.push_back(unit);
  }
  return text;
}

bool Fits(std::u16string_view text, std::size_t capacity) {
  return text.size() < capacity;
}

std::u16string_view From(std::u16string_view text, std::size_t position) {
  return position < text.size() ? text.substr(position) : std::u16string_view();
}

void ParseRender(std::u16string_view text, JobRequest& request) {
  std::u16string_view arguments = From(text, kRenderArgumentsStart);
  std::size_t first = arguments.find(u'/');
  if (first == kNone || arguments.find(u'/', first + 1) == kNone) return;
  if (!Fits(arguments, kRenderArgumentsCapacity)) return;
  request.renderArguments = arguments;
  request.renderRequested = 1;
}

// Source and target of an overlay request; false when malformed or too long.
bool ParseOverlay(std::u16string_view text, std::size_t keywordLength, JobRequest& request) {
  std::size_t first = text.find(u'/', keywordLength);
  if (first == kNone) return false;
  std::size_t second = text.find(u'/', first + 1);
  if (second == kNone) return false;
  std::u16string_view source = text.substr(first + 1, second - first - 1);
  std::u16string_view target = text.substr(second + 1);
  if (!Fits(source, kOverlayPathCapacity) || !Fits(target, kOverlayPathCapacity)) return false;
  request.overlaySource = source;
  request.overlayTarget = target;
  return true;
}

void ParseCheckPort(std::u16string_view text, JobRequest& request) {
  std::size_t slash = text.find(u'/', kCheckPortKeyword.size());
  if (slash == kNone) return;
  // The name ends at the first "/" unless that "/" is the separator itself.
  std::u16string_view name = slash == kCheckPortKeyword.size()
                                 ? From(text, kPrinterNameStart)
                                 : text.substr(kPrinterNameStart, slash - kPrinterNameStart);
  if (!Fits(name, kPrinterNameCapacity)) return;
  request.portPrinterName = name;
  request.checkPortRequested = 1;
}

}  // namespace

void ParseJobRequest(std::span<const std::byte> message, JobRequest& request) {
  request = JobRequest{};
  const std::u16string text = DecodeRequestText(message);
  const std::u16string_view view = text;

  // The first keyword the message begins with decides, even when its request
  // then turns out malformed.
  if (view.starts_with(kRenderKeyword)) {
    ParseRender(view, request);
  } else if (view.starts_with(kCreateOverlayKeyword)) {
    if (ParseOverlay(view, kCreateOverlayKeyword.size(), request)) {
      request.createOverlayRequested = 1;
    }
  } else if (view.starts_with(kPrintOverlayKeyword)) {
    if (ParseOverlay(view, kPrintOverlayKeyword.size(), request)) {
      request.printOverlayRequested = 1;
    }
  } else if (view.starts_with(kCloseKeyword)) {
    request.closeRequested = 1;
  } else if (view.starts_with(kDuplexKeyword)) {
    request.duplexRequested = 1;
  } else if (view.starts_with(kEndRenderKeyword)) {
    request.endRenderRequested = 1;
  } else if (view.starts_with(kCheckPortKeyword)) {
    ParseCheckPort(view, request);
  }
}

}  // namespace jobhost
