#pragma once
// The stored text of an IPv6 agent address: every group as four lower-case
// hexadecimal digits, only the first run of zero groups compressed to "::".
// Readers of stored records compare these texts byte for byte, so the form
// must stay exactly this one (it is not the RFC 5952 canonical form).

#include <cstddef>
#include <cstdint>

namespace jobhost {

// The longest text (no zero group) has 39 characters.
inline constexpr std::size_t kIpv6TextCapacity = 40;

// Writes the text of the 16 address bytes (most significant first) and its
// terminator to text, which must have room for kIpv6TextCapacity bytes.
// Bytes after the terminator are left as they were.
void FormatIpv6Address(const std::uint8_t* address16, char* text);

}  // namespace jobhost
