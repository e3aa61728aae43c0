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

// The answer's parts by where they stand:
// Envelope/Header/RelatesTo, Envelope/Body/{Probe,Resolve}Matches/
// {Probe,Resolve}Match/{Types,XAddrs,EndpointReference/Address}.
class DiscoveryAnswerReader {
 public:
  explicit DiscoveryAnswerReader(std::string_view document) : reader_(document) {}

  std::optional<DiscoveryAnswer> Read() {
    for (;;) {
      switch (reader_.Next()) {
        case XmlNode::kRefused:
          return std::nullopt;
        case XmlNode::kEnd:
          if (!matchesSeen_) return std::nullopt;
          std::erase_if(answer_.matches, [](const auto& match) { return match.endpoint.empty(); });
          return std::move(answer_);
        case XmlNode::kElementStart:
          if (!Start()) return std::nullopt;
          break;
        case XmlNode::kText:
          if (field_) *field_ += reader_.Text();
          break;
        case XmlNode::kElementEnd:
          End();
          break;
      }
    }
  }

 private:
  // False when the document is no SOAP 1.2 envelope.
  bool Start() {
    const std::vector<XmlName>& path = reader_.Path();
    const XmlName& name = path.back();
    field_ = nullptr;
    text_.clear();
    if (path.size() == 1) return name.Is(kSoap, "Envelope");
    if (path.size() == 3 && InEnvelope(path, "Header") && name.Is(kAddressing, "RelatesTo")) {
      field_ = &answer_.relatesTo;
    } else if (path.size() == 3 && InEnvelope(path, "Body") &&
               (name.Is(kDiscovery, "ProbeMatches") || name.Is(kDiscovery, "ResolveMatches"))) {
      matchesSeen_ = true;
    } else if (path.size() == 4 && InEnvelope(path, "Body") && name.namespaceUri == kDiscovery &&
               name.localName + "es" == path[2].localName) {
      answer_.matches.emplace_back();
    } else if (path.size() == 5 && InMatch()) {
      if (name.Is(kDiscovery, "Types") || name.Is(kDiscovery, "XAddrs")) field_ = &text_;
    } else if (path.size() == 6 && InMatch() && path[4].Is(kAddressing, "EndpointReference") &&
               name.Is(kAddressing, "Address")) {
      field_ = &text_;
    }
    return true;
  }

  void End() {
    const std::vector<XmlName>& path = reader_.Path();
    if (field_ == &text_ && InMatch()) {
      DiscoveryMatch& match = answer_.matches.back();
      const XmlName& name = path.back();
      if (name.localName == "Types") {
        match.printer = match.printer || ListsPrintDeviceType(text_, reader_);
      } else if (name.localName == "XAddrs") {
        for (std::string_view address : Tokens(text_)) {
          match.transportAddresses.emplace_back(address);
        }
      } else if (match.endpoint.empty()) {
        match.endpoint = Trimmed(text_);
      }
    } else if (field_ == &answer_.relatesTo) {
      answer_.relatesTo = std::string(Trimmed(answer_.relatesTo));
    }
    field_ = nullptr;
  }

  bool InMatch() const {
    const std::vector<XmlName>& path = reader_.Path();
    return path.size() >= 5 && matchesSeen_ && !answer_.matches.empty() &&
           InEnvelope(path, "Body") && path[3].namespaceUri == kDiscovery &&
           path[3].localName + "es" == path[2].localName;
  }

  XmlReader reader_;
  DiscoveryAnswer answer_;
  bool matchesSeen_ = false;
  std::string* field_ = nullptr;
  std::string text_;
};

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

std::optional<DiscoveryAnswer> DecodeDiscoveryAnswer(std::string_view document) {
  return DiscoveryAnswerReader(document).Read();
}

std::optional<std::string> DecodeDeviceName(std::string_view document) {
  XmlReader reader(document);
  std::string friendlyName, manufacturer, model;
  std::string* field = nullptr;
  for (;;) {
    switch (reader.Next()) {
      case XmlNode::kRefused:
        return std::nullopt;
      case XmlNode::kElementStart: {
        const std::vector<XmlName>& path = reader.Path();
        if (path.size() == 1 && !path[0].Is(kSoap, "Envelope")) return std::nullopt;
        field = nullptr;
        if (path.size() < 4 || !InEnvelope(path, "Body")) break;
        const XmlName& parent = path[path.size() - 2];
        const XmlName& name = path.back();
        // The first of each counts; later ones (other languages) do not.
        const auto first = [](std::string& kept) { return kept.empty() ? &kept : nullptr; };
        if (parent.Is(kDevices, "ThisDevice") && name.Is(kDevices, "FriendlyName")) {
          field = first(friendlyName);
        } else if (parent.Is(kDevices, "ThisModel") && name.Is(kDevices, "Manufacturer")) {
          field = first(manufacturer);
        } else if (parent.Is(kDevices, "ThisModel") && name.Is(kDevices, "ModelName")) {
          field = first(model);
        }
        break;
      }
      case XmlNode::kText:
        if (field) *field += reader.Text();
        break;
      case XmlNode::kElementEnd:
        if (field) *field = std::string(Trimmed(*field));
        field = nullptr;
        break;
      case XmlNode::kEnd: {
        if (!friendlyName.empty()) return friendlyName;
        std::string joined = manufacturer;
        if (!joined.empty() && !model.empty()) joined += ' ';
        joined += model;
        return joined;
      }
    }
  }
}

}  // namespace jobhost::wsd
