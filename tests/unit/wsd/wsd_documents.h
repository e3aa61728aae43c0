#pragma once
// Answers as printers send them, for the tests of the messages and of the
// browse: ProbeMatches, ResolveMatches and Get answers around chosen parts.

#include <string>
#include <string_view>

namespace jobhost::wsd::testing {

inline constexpr std::string_view kPrefixes =
    R"(xmlns:s="http://www.w3.org/2003/05/soap-envelope" )"
    R"(xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" )"
    R"(xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" )"
    R"(xmlns:p="http://schemas.microsoft.com/windows/2006/08/wdp/print" )"
    R"(xmlns:x="http://schemas.xmlsoap.org/ws/2004/09/mex" )"
    R"(xmlns:dp="http://schemas.xmlsoap.org/ws/2006/02/devprof")";

inline std::string Envelope(std::string_view relatesTo, std::string_view body) {
  std::string out = "<s:Envelope ";
  out += kPrefixes;
  out += "><s:Header><a:RelatesTo>";
  out += relatesTo;
  out += "</a:RelatesTo></s:Header><s:Body>";
  out += body;
  out += "</s:Body></s:Envelope>";
  return out;
}

// One match; kind "Probe" or "Resolve". An empty xaddrs leaves them out.
inline std::string Match(std::string_view endpoint, std::string_view xaddrs,
                         std::string_view types = "p:PrintDeviceType",
                         std::string_view kind = "Probe") {
  std::string out = "<d:";
  out += kind;
  out += "Match><a:EndpointReference><a:Address>";
  out += endpoint;
  out += "</a:Address></a:EndpointReference><d:Types>";
  out += types;
  out += "</d:Types>";
  if (!xaddrs.empty()) {
    out += "<d:XAddrs>";
    out += xaddrs;
    out += "</d:XAddrs>";
  }
  out += "</d:";
  out += kind;
  out += "Match>";
  return out;
}

inline std::string Matches(std::string_view relatesTo, std::string_view matches,
                           std::string_view kind = "Probe") {
  std::string body = "<d:";
  body += kind;
  body += "Matches>";
  body += matches;
  body += "</d:";
  body += kind;
  body += "Matches>";
  return Envelope(relatesTo, body);
}

// A Get answer with the given metadata sections' content.
inline std::string Metadata(std::string_view sections) {
  std::string body = "<x:Metadata><x:MetadataSection>";
  body += sections;
  body += "</x:MetadataSection></x:Metadata>";
  return Envelope("urn:uuid:get", body);
}

}  // namespace jobhost::wsd::testing
