#pragma once
// HRESULT-style status values of the bounded text helpers.

#include <cstdint>

namespace jobhost {

using Status = std::int32_t;

inline constexpr Status kStatusOk = 0;
inline constexpr Status kStatusInvalidArgument = static_cast<Status>(0x80070057u);
inline constexpr Status kStatusInsufficientBuffer = static_cast<Status>(0x8007007Au);

// Largest capacity the helpers accept, in characters including the terminator.
inline constexpr std::size_t kMaxCapacity = 0x7FFFFFFF;

inline bool Succeeded(Status status) {
  return status >= 0;
}

}  // namespace jobhost
