#include <windows.h>

#include "command_tail.h"
#include "stand_in_entry.h"
#include "support/utf.h"

// The parameter text is the command line after the program name, taken whole:
// argument splitting would lose the quotes and blanks the caller sent.
int wmain(int, wchar_t**) {
  const auto* commandLine = reinterpret_cast<const char16_t*>(GetCommandLineW());
  std::u16string_view tail = jobhost::stand_in::CommandTail(commandLine);
  std::optional<std::string> parameters;
  if (!tail.empty()) parameters = jobhost::Utf16ToUtf8(tail);
  return jobhost::stand_in::RunStandIn(parameters);
}
