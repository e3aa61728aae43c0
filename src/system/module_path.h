#pragma once
// Where the running code lies: the program's file, or the library that
// holds a given piece of code.

#include <optional>
#include <string>

namespace jobhost {

// The running program's whole path (Windows: in its long form, so a program
// started through an 8.3 path still sees its real name); nullopt when the
// system cannot report it.
std::optional<std::u16string> ProgramPath();

// The whole path of the library (or program) that holds code, the same way.
std::optional<std::u16string> ModulePathOf(const void* code);

}  // namespace jobhost
