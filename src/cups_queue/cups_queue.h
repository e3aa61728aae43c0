#pragma once
// One question to the CUPS server libcups is set up for (CUPS_SERVER,
// client.conf, the default socket): the device URI of the queue of a name.
// Shared by the spooler and the port library, which ask it on every call.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace jobhost::cups_queue {

// Upper bounds of one question, so a down or hung server answers quickly:
// the connection, each wait for the server, and the whole question, which
// covers the lookup of the server's name and holds whatever the server or
// the name servers do (a server that trickles its answer a byte
// at a time never lets a single wait run out).
inline constexpr int kCupsConnectMilliseconds = 1000;
inline constexpr double kCupsReplySeconds = 1.5;
inline constexpr std::chrono::milliseconds kCupsQuestionBudget{2500};

// nullopt when there is no server, no such queue, or no whole answer within
// kCupsQuestionBudget. Unless the queue is unknown, why (when given) is set to
// the cause then.
std::optional<std::string> QueueDeviceUri(std::string_view queueName,
                                          std::string_view* why = nullptr);

}  // namespace jobhost::cups_queue
