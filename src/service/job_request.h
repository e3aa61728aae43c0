#pragma once
// The per-connection job record and the parsing of one request message into it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace jobhost {

// Field capacities in UTF-16 units, terminator included: a text may hold one
// unit less.
inline constexpr std::size_t kOverlayPathCapacity = 260;
inline constexpr std::size_t kRenderArgumentsCapacity = 1024;
inline constexpr std::size_t kPrinterNameCapacity = 512;
inline constexpr std::size_t kPortAddressCapacity = 512;

// Largest request message, in bytes.
inline constexpr std::size_t kRequestMessageCapacity = 8192;

struct JobRequest {
  std::int32_t renderRequested = 0;
  std::int32_t closeRequested = 0;
  std::int32_t duplexRequested = 0;
  // Outcome of the action phase; for a port check, the port kind.
  std::int32_t actionResult = 0;
  std::int32_t createOverlayRequested = 0;
  std::int32_t printOverlayRequested = 0;
  std::int32_t checkPortRequested = 0;
  std::u16string overlaySource;
  std::u16string overlayTarget;
  std::u16string renderArguments;
  std::u16string portPrinterName;
  std::int32_t endRenderRequested = 0;
  // Written by the port check, read by the reply.
  std::u16string portAddress;
};

// Clears the record and fills it from one UTF-16LE message. A message that
// names no request, breaks its request's "/" rules, or carries a text longer
// than its field leaves the cleared record with no flag set.
void ParseJobRequest(std::span<const std::byte> message, JobRequest& request);

}  // namespace jobhost
