#pragma once
// A host name's address from the system resolver, within a bounded wait.

#include <chrono>
#include <optional>
#include <string>

namespace jobhost::portlink {

inline constexpr std::chrono::milliseconds kResolveLimit{2000};

// The first IPv4 address of host as text, else its first IPv6 address;
// nullopt when the name does not resolve within limit.
std::optional<std::string> ResolveHost(const std::string& host,
                                       std::chrono::milliseconds limit = kResolveLimit);

}  // namespace jobhost::portlink
