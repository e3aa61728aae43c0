#pragma once
// Counted text composition into fixed buffers: never past the capacity,
// always terminated, truncation reported as kStatusInsufficientBuffer.
//
// Formats are printf-style: flags "-" and "0", a width, conversions d i u x X
// c s and %%. In a UTF-16 format "%s" takes UTF-16 text (const char16_t*),
// in an 8-bit format 8-bit text. Length modifiers (h l ll) are accepted;
// integers are taken as 32-bit unless "ll" is given.

#include <cstdarg>
#include <cstddef>

#include "support/status.h"

namespace jobhost {

Status BoundedAppendA(char* destination, std::size_t capacity, const char* source);
Status BoundedFormatA(char* destination, std::size_t capacity, const char* format, ...);
Status BoundedFormatW(char16_t* destination, std::size_t capacity, const char16_t* format, ...);
Status BoundedFormatVA(char* destination, std::size_t capacity, const char* format, va_list args);
Status BoundedFormatVW(char16_t* destination, std::size_t capacity, const char16_t* format,
                       va_list args);

}  // namespace jobhost
