#include "system_access.h"
#include "support/utf.h"
#include "system/module_path.h"
#include "system/unique_resource.h"

namespace jobhost::stand_in {
namespace {

// An address inside this library (or executable), to find its file by.
const char kInThisModule = 0;

std::string Utf8Of(const std::optional<std::u16string>& path) {
  return path ? Utf16ToUtf8(*path) : std::string();
}

}  // namespace

std::string OwnExecutablePath() {
  return Utf8Of(ProgramPath());
}

std::string OwnModulePath() {
  return Utf8Of(ModulePathOf(&kInThisModule));
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  UniqueFile file(OpenForReading(path));
  if (!file) return std::nullopt;
  std::string content;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) content.append(chunk, got);
  if (std::ferror(file.get()) != 0) return std::nullopt;
  return content;
}

}  // namespace jobhost::stand_in
