#pragma once
// The WS-Discovery (2005/04) and WS-Transfer messages a printer search sends,
// as SOAP 1.2 envelopes with WS-Addressing (2004/08) headers, and what it
// reads of the answers.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jobhost::wsd {

// The type a printer lists: wprt:PrintDeviceType.
inline constexpr std::string_view kPrintNamespace =
    "http://schemas.microsoft.com/windows/2006/08/wdp/print";
inline constexpr std::string_view kPrintDeviceType = "PrintDeviceType";

// A fresh "urn:uuid:" message id (a random version 4 UUID): a stranger must
// not be able to guess it and answer first.
std::string NewMessageId();

// A Probe for wprt:PrintDeviceType, to the group or one host.
std::string ProbeMessage(std::string_view messageId);
// A Resolve of an endpoint reference that was matched without transport
// addresses.
std::string ResolveMessage(std::string_view messageId, std::string_view endpoint);
// A WS-Transfer Get of a device's metadata, To its endpoint reference.
std::string GetMessage(std::string_view messageId, std::string_view endpoint);

struct DiscoveryMatch {
  std::string endpoint;                         // the EndpointReference's Address
  bool printer = false;                         // its Types list wprt:PrintDeviceType
  std::vector<std::string> transportAddresses;  // XAddrs, in order
};

// A ProbeMatches or ResolveMatches answer.
struct DiscoveryAnswer {
  std::string relatesTo;
  std::vector<DiscoveryMatch> matches;  // only those with an endpoint reference
};

// nullopt when the document is no such SOAP 1.2 answer or the reader refuses it.
std::optional<DiscoveryAnswer> DecodeDiscoveryAnswer(std::string_view document);

// A Get answer's name of the device: ThisDevice's FriendlyName, else
// ThisModel's Manufacturer and ModelName joined by a blank; white space
// around each trimmed. Empty when it names none; nullopt when the document is
// no SOAP 1.2 envelope the reader accepts.
std::optional<std::string> DecodeDeviceName(std::string_view document);

}  // namespace jobhost::wsd
