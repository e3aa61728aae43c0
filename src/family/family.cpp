#include "family/family.h"

namespace jobhost {
namespace {

std::size_t AfterLastSeparator(std::u16string_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1])) return i;
  }
  return 0;
}

std::optional<std::u16string> Fitting(std::u16string path) {
  if (path.size() >= kSiblingPathCapacity) return std::nullopt;
  return path;
}

}  // namespace

Family DeriveFamily(std::u16string_view modulePath) {
  Family family;
  family.modulePath = std::u16string(modulePath);
  std::u16string_view shortened = modulePath.substr(
      0, modulePath.size() > kOwnEndingLength ? modulePath.size() - kOwnEndingLength : 0);
  family.prefix = std::u16string(shortened.substr(AfterLastSeparator(shortened)));
  family.directory = std::u16string(modulePath.substr(0, AfterLastSeparator(modulePath)));
  family.pipeName = std::u16string(kPipeNamespace) + family.prefix + kPipeSuffix;
  return family;
}

std::optional<std::u16string> Family::SiblingPath(std::u16string_view suffix) const {
  std::size_t kept =
      modulePath.size() > kOwnEndingLength ? modulePath.size() - kOwnEndingLength : 0;
  return Fitting(modulePath.substr(0, kept) + std::u16string(suffix));
}

std::optional<std::u16string> Family::LibraryPath(std::u16string_view suffix) const {
  return Fitting(directory + prefix + std::u16string(suffix));
}

}  // namespace jobhost
