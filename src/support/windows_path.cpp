#include "support/windows_path.h"

#include <algorithm>
#include <initializer_list>

namespace jobhost {
namespace {

constexpr char16_t kSeparator = u'\\';

char16_t AsciiUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, {}, AsciiUpper, AsciiUpper);
}

bool IsAnyOf(std::u16string_view name, std::initializer_list<std::u16string_view> names) {
  return std::any_of(names.begin(), names.end(), [name](std::u16string_view each) {
    return SameIgnoringAsciiCase(name, each);
  });
}

// The system ignores trailing dots and blanks of a name.
std::u16string_view WithoutTrailingDotsAndBlanks(std::u16string_view name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.remove_suffix(1);
  return name;
}

bool IsDeviceDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'\u00b9' || c == u'\u00b2' || c == u'\u00b3';
}

// A device name stands for the device in every folder, whatever follows its
// first '.' or ':' ("nul.txt", "CON:").
bool IsDeviceName(std::u16string_view component) {
  std::u16string_view name =
      WithoutTrailingDotsAndBlanks(component.substr(0, component.find_first_of(u".:")));
  if (IsAnyOf(name, {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"})) return true;
  return name.size() == 4 && IsAnyOf(name.substr(0, 3), {u"COM", u"LPT"}) && IsDeviceDigit(name[3]);
}

bool IsDriveLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Of "server\share\rest": sets rest and returns true when the share may hold
// files (the pipe, mailslot and IPC$ shares hold none).
bool FileShareRest(std::u16string_view unc, std::u16string_view& rest) {
  const std::size_t serverEnd = unc.find(kSeparator);
  if (serverEnd == std::u16string_view::npos) return false;
  const std::u16string_view server = unc.substr(0, serverEnd);
  // "\\.\" and "\\?\" are the device and verbatim forms, not servers.
  if (server.empty() || server == u"." || server == u"?") return false;
  const std::u16string_view afterServer = unc.substr(serverEnd + 1);
  const std::size_t shareEnd = afterServer.find(kSeparator);
  if (shareEnd == std::u16string_view::npos || shareEnd == 0) return false;
  const std::u16string_view share = WithoutTrailingDotsAndBlanks(afterServer.substr(0, shareEnd));
  if (IsAnyOf(share, {u"pipe", u"mailslot", u"IPC$"})) return false;
  rest = afterServer.substr(shareEnd + 1);
  return true;
}

}  // namespace

bool IsDiskFilePath(std::u16string_view fullPath) {
  std::u16string_view rest;
  if (fullPath.size() >= 3 && IsDriveLetter(fullPath[0]) && fullPath[1] == u':' &&
      fullPath[2] == kSeparator) {
    rest = fullPath.substr(3);
  } else if (!fullPath.starts_with(u"\\\\") || !FileShareRest(fullPath.substr(2), rest)) {
    return false;
  }
  // A path ending in a separator names a folder.
  if (rest.empty() || rest.back() == kSeparator) return false;
  return !IsDeviceName(rest.substr(rest.rfind(kSeparator) + 1));
}

}  // namespace jobhost
