#pragma once
// Answers as printers send them, for the tests of the messages and of the
// browse: ProbeMatches, ResolveMatches and Get answers around chosen parts.

#include <string>

namespace jobhost::wsd::testing {

inline std::string Envelope(const std::string& relatesTo, const std::string& body) {
  return R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" )"
         R"(xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" )"
         R"(xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery" )"
         R"(xmlns:p="http://schemas.microsoft.com/windows/2006/08/wdp/print" )"
         R"(xmlns:x="http://schemas.xmlsoap.org/ws/2004/09/mex" )"
         R"(xmlns:dp="http://schemas.xmlsoap.org/ws/2006/02/devprof"><s:Header><a:RelatesTo>)" +
         relatesTo + "</a:RelatesTo></s:Header><s:Body>" + body + "</s:Body></s:Envelope>";
}

// One match of a kind ("Probe", "Resolve"); empty xaddrs are left out.
inline std::string Match(const std::string& endpoint, const std::string& xaddrs,
                         const std::string& types = "p:PrintDeviceType",
                         const std::string& kind = "Probe") {
  return "<d:" + kind + "Match><a:EndpointReference><a:Address>" + endpoint +
         "</a:Address></a:EndpointReference><d:Types>" + types + "</d:Types>" +
         (xaddrs.empty() ? "" : "<d:XAddrs>" + xaddrs + "</d:XAddrs>") + "</d:" + kind + "Match>";
}

inline std::string Matches(const std::string& relatesTo, const std::string& matches,
                           const std::string& kind = "Probe") {
  return Envelope(relatesTo, "<d:" + kind + "Matches>" + matches + "</d:" + kind + "Matches>");
}

// A Get answer around metadata sections' content.
inline std::string Metadata(const std::string& sections) {
  return Envelope("urn:uuid:get", "<x:Metadata><x:MetadataSection>" + sections +
                                      "</x:MetadataSection></x:Metadata>");
}

inline std::string Device(const std::string& friendlyName) {
  return "<dp:ThisDevice><dp:FriendlyName>" + friendlyName + "</dp:FriendlyName></dp:ThisDevice>";
}

}  // namespace jobhost::wsd::testing
