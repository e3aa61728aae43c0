#include "wsd/soap_messages.h"

#include <array>
#include <cstdint>
#include <random>

#include "wsd/xml_reader.h"

namespace jobhost::wsd {
namespace {

constexpr std::string_view kSoap = "http://www.w3.org/2003/05/soap-envelope";
constexpr std::string_view kAddressing = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
constexpr std::string_view kDiscovery = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr std::string_view kDevices = "http://schemas.xmlsoap.org/ws/2006/02/devprof";
constexpr std::string_view kDiscoveryTo = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
constexpr std::string_view kAnonymous =
    "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";
constexpr std::string_view kWhiteSpace = " \t\r\n";

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
}

void AppendElement(std::string& out, std::string_view name, std::string_view text) {
  out += '<';
  out += name;
  out += '>';
  AppendEscaped(out, text);
  out += "</";
  out += name;
  out += '>';
}

// One envelope: its namespaces, the addressing headers, then the body.
std::string Envelope(std::string_view to, std::string_view action, std::string_view messageId,
                     bool replyToAnonymous, std::string_view body) {
  std::string out = R"(<?xml version="1.0" encoding="utf-8"?>)";
  out += R"(<soap:Envelope xmlns:soap=")";
  out += kSoap;
  out += R"(" xmlns:wsa=")";
  out += kAddressing;
  out += R"(" xmlns:wsd=")";
  out += kDiscovery;
  out += R"(" xmlns:wprt=")";
  out += kPrintNamespace;
  out += R"("><soap:Header>)";
  AppendElement(out, "wsa:To", to);
  AppendElement(out, "wsa:Action", action);
  AppendElement(out, "wsa:MessageID", messageId);
  if (replyToAnonymous) {
    out += "<wsa:ReplyTo>";
    AppendElement(out, "wsa:Address", kAnonymous);
    out += "</wsa:ReplyTo>";
  }
  out += "</soap:Header>";
  out += body.empty() ? "<soap:Body/>" : "<soap:Body>";
  out += body;
  if (!body.empty()) out += "</soap:Body>";
  out += "</soap:Envelope>";
  return out;
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  for (std::size_t at = text.find_first_not_of(kWhiteSpace); at != std::string_view::npos;) {
    const std::size_t end = std::min(text.find_first_of(kWhiteSpace, at), text.size());
    tokens.push_back(text.substr(at, end - at));
    at = text.find_first_not_of(kWhiteSpace, end);
  }
  return tokens;
}

// A QName of the Types list names its namespace by a prefix in scope where
// it stands (no prefix: the default namespace).
bool ListsPrintDeviceType(std::string_view types, const XmlReader& reader) {
  for (std::string_view token : Tokens(types)) {
    const std::size_t colon = token.find(':');
    const std::string_view prefix = colon == std::string_view::npos ? "" : token.substr(0, colon);
    const std::string_view local =
        colon == std::string_view::npos ? token : token.substr(colon + 1);
    if (local == kPrintDeviceType && reader.NamespaceOf(prefix) == kPrintNamespace) return true;
  }
  return false;
}

bool InEnvelope(const std::vector<XmlName>& path, std::string_view part) {
  return path.size() >= 2 && path[0].Is(kSoap, "Envelope") && path[1].Is(kSoap, part);
}

// Envelope/Body/ProbeMatches/ProbeMatch, or the same of ResolveMatches.
bool IsMatch(const std::vector<XmlName>& path) {
  return path.size() >= 4 && InEnvelope(path, "Body") &&
         (path[2].Is(kDiscovery, "ProbeMatches") || path[2].Is(kDiscovery, "ResolveMatches")) &&
         path[3].Is(kDiscovery, path[2].localName.substr(0, path[2].localName.size() - 2));
}

// Reads a SOAP 1.2 envelope, calling ended(reader, text) as each element
// ends, with the text it holds outside its child elements. False when the
// reader refuses the document or its root is no SOAP 1.2 Envelope.
template <typename Ended>
bool ReadEnvelope(std::string_view document, Ended&& ended) {
  XmlReader reader(document);
  std::vector<std::string> texts;  // one for each open element
  for (;;) {
    switch (reader.Next()) {
      case XmlNode::kSkipped:  // never given by a reader
      case XmlNode::kRefused:
        return false;
      case XmlNode::kEnd:
        return true;
      case XmlNode::kElementStart:
        if (reader.Path().size() == 1 && !reader.Path()[0].Is(kSoap, "Envelope")) return false;
        texts.emplace_back();
        break;
      case XmlNode::kText:
        texts.back() += reader.Text();
        break;
      case XmlNode::kElementEnd:
        ended(reader, texts.back());
        texts.pop_back();
        break;
    }
  }
}

}  // namespace

std::string NewMessageId() {
  std::random_device entropy;
  std::array<std::uint8_t, 16> bytes{};
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    const std::uint32_t word = entropy();
    for (std::size_t j = 0; j < 4; ++j) bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  constexpr char kDigits[] = "0123456789abcdef";
  std::string id = "urn:uuid:";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += kDigits[bytes[i] >> 4];
    id += kDigits[bytes[i] & 0x0F];
  }
  return id;
}

std::string ProbeMessage(std::string_view messageId) {
  return Envelope(kDiscoveryTo, "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe", messageId,
                  false, "<wsd:Probe><wsd:Types>wprt:PrintDeviceType</wsd:Types></wsd:Probe>");
}

std::string ResolveMessage(std::string_view messageId, std::string_view endpoint) {
  std::string body = "<wsd:Resolve><wsa:EndpointReference>";
  AppendElement(body, "wsa:Address", endpoint);
  body += "</wsa:EndpointReference></wsd:Resolve>";
  return Envelope(kDiscoveryTo, "http://schemas.xmlsoap.org/ws/2005/04/discovery/Resolve",
                  messageId, false, body);
}

std::string GetMessage(std::string_view messageId, std::string_view endpoint) {
  return Envelope(endpoint, "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get", messageId, true,
                  "");
}

// Envelope/Header/RelatesTo; in each match, Types, XAddrs and
// EndpointReference/Address.
std::optional<DiscoveryAnswer> DecodeDiscoveryAnswer(std::string_view document) {
  DiscoveryAnswer answer;
  DiscoveryMatch match;
  bool matchesSeen = false;
  const bool read = ReadEnvelope(document, [&](const XmlReader& reader, const std::string& text) {
    const std::vector<XmlName>& path = reader.Path();
    const XmlName& name = path.back();
    if (path.size() == 3 && InEnvelope(path, "Header") && name.Is(kAddressing, "RelatesTo")) {
      answer.relatesTo = Trimmed(text);
    } else if (path.size() == 3 && InEnvelope(path, "Body")) {
      matchesSeen = matchesSeen || name.Is(kDiscovery, "ProbeMatches") ||
                    name.Is(kDiscovery, "ResolveMatches");
    } else if (path.size() == 4 && IsMatch(path)) {
      if (!match.endpoint.empty()) answer.matches.push_back(std::move(match));
      match = {};
    } else if (path.size() == 5 && IsMatch(path) && name.Is(kDiscovery, "Types")) {
      match.printer = match.printer || ListsPrintDeviceType(text, reader);
    } else if (path.size() == 5 && IsMatch(path) && name.Is(kDiscovery, "XAddrs")) {
      for (std::string_view address : Tokens(text)) match.transportAddresses.emplace_back(address);
    } else if (path.size() == 6 && IsMatch(path) && path[4].Is(kAddressing, "EndpointReference") &&
               name.Is(kAddressing, "Address") && match.endpoint.empty()) {
      match.endpoint = Trimmed(text);
    }
  });
  if (!read || !matchesSeen) return std::nullopt;
  return answer;
}

// The first of each counts; later ones (in other languages) do not.
std::optional<std::string> DecodeDeviceName(std::string_view document) {
  std::string friendlyName, manufacturer, model;
  const bool read = ReadEnvelope(document, [&](const XmlReader& reader, const std::string& text) {
    const std::vector<XmlName>& path = reader.Path();
    if (path.size() < 4 || !InEnvelope(path, "Body")) return;
    const XmlName& parent = path[path.size() - 2];
    const XmlName& name = path.back();
    const auto keep = [&](std::string& kept) {
      if (kept.empty()) kept = Trimmed(text);
    };
    if (parent.Is(kDevices, "ThisDevice") && name.Is(kDevices, "FriendlyName")) keep(friendlyName);
    if (parent.Is(kDevices, "ThisModel") && name.Is(kDevices, "Manufacturer")) keep(manufacturer);
    if (parent.Is(kDevices, "ThisModel") && name.Is(kDevices, "ModelName")) keep(model);
  });
  if (!read) return std::nullopt;
  if (!friendlyName.empty()) return friendlyName;
  if (!manufacturer.empty() && !model.empty()) manufacturer += ' ';
  return manufacturer + model;
}

}  // namespace jobhost::wsd
