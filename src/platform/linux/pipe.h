#pragma once
// The request pipe as an AF_UNIX SOCK_SEQPACKET socket in the abstract
// namespace: one listening socket, bound by the first instance and shared by
// every next one, closed with the last, so the name is the service's for its
// whole life. Clients that connect while one is served wait in its queue.
// Only clients of the service's own user or root are served (SO_PEERCRED);
// another account's connection is closed at once, unread, and the wait goes
// on (its debug line rationed per account: platform/client_refusals.h).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/debug_output.h"
#include "platform/pipe.h"

namespace jobhost::linux {

// The abstract socket name of a pipe name: the name without its leading
// "\\.\pipe\", in UTF-8. nullopt when empty or too long for a socket address.
std::optional<std::string> SocketNameOf(std::u16string_view pipeName);

class LinuxPipeHost : public PipeHost {
 public:
  // Refused clients are told on debug, which outlives every instance.
  explicit LinuxPipeHost(DebugOutput& debug) : debug_(debug) {}
  std::unique_ptr<PipeInstance> CreateFirstInstance(std::u16string_view pipeName) override;

 private:
  DebugOutput& debug_;
};

}  // namespace jobhost::linux
