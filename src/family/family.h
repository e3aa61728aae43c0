#pragma once
// The names the program derives from its own path: the family prefix it
// shares with its siblings, their paths, and the request pipe's name.

#include <optional>
#include <string>
#include <string_view>

#include "platform/pipe.h"

namespace jobhost {

// Every family file name ends in seven characters after the prefix ("svc.exe").
inline constexpr std::size_t kOwnEndingLength = 7;
// Capacity (with terminator) of every sibling path, as the platform allows.
inline constexpr std::size_t kSiblingPathCapacity = 260;

inline constexpr char16_t kPipeSuffix[] = u"xpsnamedpipe";

inline constexpr char16_t kConverterSuffix[] = u"jobconvert.exe";
inline constexpr char16_t kDuplexSuffix[] = u"flipguide.exe";
inline constexpr char16_t kPortLibrarySuffix[] = u"portlink.dll";
inline constexpr char16_t kDiscoveryLibrarySuffix[] = u"devprobe.dll";

struct Family {
  std::u16string modulePath;
  // The file name without its last seven characters (cut from the whole
  // path, so a file name shorter than that reaches into the directory).
  std::u16string prefix;
  // The module path up to and including its last separator; empty when it has none.
  std::u16string directory;
  // "\\.\pipe\" + prefix + "xpsnamedpipe".
  std::u16string pipeName;

  // The module path with its last seven characters replaced by suffix;
  // nullopt when that does not fit kSiblingPathCapacity.
  std::optional<std::u16string> SiblingPath(std::u16string_view suffix) const;
  // directory + prefix + suffix; nullopt when that does not fit kSiblingPathCapacity.
  std::optional<std::u16string> LibraryPath(std::u16string_view suffix) const;
};

// Both "\" and "/" separate path components, so the same rule serves
// Windows and POSIX paths.
inline bool IsPathSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

Family DeriveFamily(std::u16string_view modulePath);

}  // namespace jobhost
