#pragma once
// JSON string literals of 8-bit texts whose code page is unknown.

#include <string>
#include <string_view>

namespace jobhost::ctl {

// The text in double quotes. Well-formed UTF-8 passes as it is; quote,
// backslash and control characters are escaped; every byte that is not part
// of a well-formed UTF-8 sequence becomes \u00XX (its Latin-1 reading).
std::string JsonString(std::string_view bytes);

}  // namespace jobhost::ctl
