#pragma once
// The rules of the port library that hold on every system: the kinds, the
// address chosen among several, and how it reaches the caller's buffer.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace jobhost::portlink {

inline constexpr std::int32_t kNoPrinter = 0;
inline constexpr std::int32_t kOtherPort = 1;
inline constexpr std::int32_t kTcpIpPort = 2;
inline constexpr std::int32_t kNetworkDevice = 3;

// Causes of an address call's 0 that both systems name on the debug channel.
inline constexpr std::string_view kNoBuffer = "no buffer for the address";
inline constexpr std::string_view kNotResolved = "the host name does not resolve within 2 s";
inline constexpr std::string_view kDoesNotFit = "the address does not fit the buffer";

// Writes text (UTF-8), terminated, into the caller's buffer of
// kWsdAddressUnits units and returns 1 when it fits whole; otherwise returns
// 0 and leaves the buffer as it was.
std::int32_t WriteWholeAddress(std::string_view text, char16_t* address);

// An address as a lookup or a device reports it: its text, and the index of
// the interface it was seen on (0 when unknown).
struct AddressCandidate {
  std::string text;
  std::uint32_t zone = 0;
};

// The first IPv4 address, else the first IPv6 address, with "%<zone>" when it
// is link-local and its text has no zone yet; texts that are no address are
// passed over. nullopt when none is left.
std::optional<std::string> PreferredAddress(std::span<const AddressCandidate> candidates);

// Letter case of ASCII ignored; the spooler's names compare that way.
bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace jobhost::portlink
