#pragma once
// The program every core test runs as, vtlsvc.exe in C:\Drivers: the fake
// module path reports it, and the family derives from it.

#include "family/family.h"

namespace jobhost::testing {

inline constexpr char16_t kProgramPath[] = u"C:\\Drivers\\vtlsvc.exe";
inline const Family kFamily = DeriveFamily(kProgramPath);

}  // namespace jobhost::testing
