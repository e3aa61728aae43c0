#include "command_tail.h"

namespace jobhost::stand_in {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

std::u16string_view CommandTail(std::u16string_view commandLine) {
  std::size_t position = 0;
  if (!commandLine.empty() && commandLine.front() == u'"') {
    std::size_t closing = commandLine.find(u'"', 1);
    position = closing == std::u16string_view::npos ? commandLine.size() : closing + 1;
  }
  while (position < commandLine.size() && !IsBlank(commandLine[position])) ++position;
  while (position < commandLine.size() && IsBlank(commandLine[position])) ++position;
  return commandLine.substr(position);
}

}  // namespace jobhost::stand_in
