#pragma once
// The parameter text of a Windows command line: what follows the program name.

#include <string_view>

namespace jobhost::stand_in {

// The program name ends at the closing quote when it starts with one, else
// at the first blank or tab; the blanks and tabs after it are skipped.
std::u16string_view CommandTail(std::u16string_view commandLine);

}  // namespace jobhost::stand_in
