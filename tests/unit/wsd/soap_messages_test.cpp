// The XML reader over the platform's library (libxml2, or XmlLite under
// Wine), and the messages read and written on it.

#include "wsd/soap_messages.h"

#include <gtest/gtest.h>

#include "wsd/wsd_documents.h"
#include "wsd/xml_reader.h"

namespace jobhost::wsd {
namespace {

using namespace testing;

std::string Repeated(const std::string& text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

TEST(SoapMessages, ProbeIsThisEnvelopeAndReadsBackWithItsTypeInThePrintNamespace) {
  const std::string id = NewMessageId();
  EXPECT_TRUE(id.starts_with("urn:uuid:") && id.size() == 45 && id != NewMessageId()) << id;
  const std::string probe = ProbeMessage("urn:uuid:1");
  EXPECT_EQ(probe,
            R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope )"
            R"(xmlns:soap="http://www.w3.org/2003/05/soap-envelope" )"
            R"(xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" )"
            R"(xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" )"
            R"(xmlns:wprt="http://schemas.microsoft.com/windows/2006/08/wdp/print">)"
            "<soap:Header><wsa:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</wsa:To>"
            "<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</wsa:Action>"
            "<wsa:MessageID>urn:uuid:1</wsa:MessageID></soap:Header><soap:Body><wsd:Probe>"
            "<wsd:Types>wprt:PrintDeviceType</wsd:Types></wsd:Probe></soap:Body></soap:Envelope>");
  // Read back, the type's prefix stands for the print namespace where it is.
  XmlReader reader(probe);
  for (XmlNode node = reader.Next();
       node == XmlNode::kElementStart || node == XmlNode::kElementEnd ||
       (node == XmlNode::kText && reader.Text() != "wprt:PrintDeviceType");
       node = reader.Next()) {
  }
  std::string path;
  for (const XmlName& name : reader.Path()) path += name.localName + "/";
  EXPECT_EQ(path, "Envelope/Body/Probe/Types/");
  EXPECT_EQ(reader.NamespaceOf("wprt"), std::string(kPrintNamespace));
  // Text from an answer stays text in what is sent back.
  EXPECT_NE(GetMessage("urn:uuid:2", "urn:<x>&").find("<wsa:To>urn:&lt;x&gt;&amp;</wsa:To>"),
            std::string::npos);
}

// A ProbeMatches that declares each namespace where it is used.
std::string Unprefixed(const std::string& soap) {
  return R"(<Envelope xmlns=")" + soap +
         R"("><Header><RelatesTo )"
         R"(xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing"> urn:uuid:1 </RelatesTo>)"
         R"(</Header><Body><ProbeMatches xmlns="http://schemas.xmlsoap.org/ws/2005/04/discovery">)"
         R"(<ProbeMatch><EndpointReference xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing">)"
         R"(<Address>urn:e</Address></EndpointReference>)"
         R"(<Types xmlns:q="http://schemas.microsoft.com/windows/2006/08/wdp/print">q:PrintDeviceType)"
         R"(</Types><XAddrs>http://10.0.0.5/</XAddrs></ProbeMatch></ProbeMatches></Body></Envelope>)";
}

TEST(SoapMessages, DecodesProbeAndResolveMatchesWithOrWithoutPrefixes) {
  const std::string print = "p:PrintDeviceType";
  const std::pair<std::string, std::string> cases[] = {
      // relatesTo|endpoint printer xaddrs...|...; "none" when refused
      {Matches("urn:uuid:1", Match("urn:e", "http://10.0.0.5/ https://10.0.0.5/")),
       "urn:uuid:1|urn:e 1 http://10.0.0.5/ https://10.0.0.5/"},
      {Unprefixed("http://www.w3.org/2003/05/soap-envelope"),
       "urn:uuid:1|urn:e 1 http://10.0.0.5/"},
      {Matches("urn:uuid:1", Match("urn:e", "<![CDATA[http://a/?a=1&b=2]]>", print, "Resolve"),
               "Resolve"),
       "urn:uuid:1|urn:e 1 http://a/?a=1&b=2"},
      {Matches("urn:uuid:1", Match("urn:a&amp;b", "") + Match("urn:c", "", "dp:Device")),
       "urn:uuid:1|urn:a&b 1|urn:c 0"},
      {Matches("urn:uuid:1", Match("urn:e", "", "d:PrintDeviceType PrintDeviceType")),
       "urn:uuid:1|urn:e 0"},
      {Matches("urn:uuid:1", Match("", "http://10.0.0.5/")), "urn:uuid:1"},
      {Matches("urn:uuid:1", Match("urn:e", "", print, "Resolve")), "urn:uuid:1"},
      {Envelope("urn:uuid:1", "<d:Probe/>"), "none"},
      {Unprefixed("http://schemas.xmlsoap.org/soap/envelope/"), "none"},
      {"<!DOCTYPE s:Envelope>" + Matches("urn:uuid:1", Match("urn:e", "")), "none"},
  };
  for (const auto& [document, expected] : cases) {
    const std::optional<DiscoveryAnswer> answer = DecodeDiscoveryAnswer(document);
    std::string decoded = answer ? answer->relatesTo : "none";
    for (const DiscoveryMatch& match : answer ? answer->matches : std::vector<DiscoveryMatch>{}) {
      decoded += "|" + match.endpoint + (match.printer ? " 1" : " 0");
      for (const std::string& address : match.transportAddresses) decoded += " " + address;
    }
    EXPECT_EQ(decoded, expected) << document;
  }
}

// The reader's limits and refusals show in what the decoders make of a document.
TEST(SoapMessages, NamesTheDeviceByFriendlyNameElseManufacturerAndModelWithinTheReadersLimits) {
  const std::string model =
      "<dp:ThisModel><dp:Manufacturer>\n  Vantorel </dp:Manufacturer><dp:ModelName>LX-200"
      "</dp:ModelName></dp:ThisModel>";
  const std::string name = Device("Front Desk");
  // MetadataSection stands at depth 4; a comment pads a document to the size limit.
  const auto nested = [&](std::size_t depth) {
    return Metadata(name + Repeated("<i>", depth - 4) + Repeated("</i>", depth - 4));
  };
  const auto padded = [&](std::size_t size) {
    const std::size_t bare = Metadata(name + "<!---->").size();
    return Metadata(name + "<!--" + std::string(size - bare, 'x') + "-->");
  };
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {Metadata(Device("\n   Front Desk\t") + model), "Front Desk"},
      {Metadata(model + name), "Front Desk"},
      {Metadata(Device("") + model), "Vantorel LX-200"},
      {Metadata("<dp:ThisModel><dp:ModelName>LX-200</dp:ModelName></dp:ThisModel>"), "LX-200"},
      {Metadata(Device("Caf&#233; &amp; <![CDATA[<Co>]]>") + name), "Caf\xc3\xa9 & <Co>"},
      {"<?xml version=\"1.0\"?>\n<!--c-->\n<?pi x?>" + Metadata(name + "<dp:X/>") + "\n",
       "Front Desk"},
      {Metadata("<dp:FriendlyName>Not in ThisDevice</dp:FriendlyName>"), ""},
      {Envelope("urn:uuid:get", "<s:Fault/>"), ""},
      {"<Envelope>" + name + "</Envelope>", std::nullopt},
      {Metadata(name + "<a><b></a>"), std::nullopt},
      {"<!DOCTYPE s:Envelope [<!ENTITY n \"Spoof\">]>" + Metadata(Device("&n;")), std::nullopt},
      {"<!DOCTYPE s [<!ENTITY % p SYSTEM \"file:///etc/hostname\"> %p;]>" + Metadata(name),
       std::nullopt},
      {nested(kMaxXmlDepth), "Front Desk"},
      {nested(kMaxXmlDepth + 1), std::nullopt},
      {padded(kMaxXmlDocumentBytes), "Front Desk"},
      {padded(kMaxXmlDocumentBytes + 1), std::nullopt},
  };
  for (const auto& [document, named] : cases) {
    EXPECT_EQ(DecodeDeviceName(document), named) << document.substr(0, 300);
  }
}

}  // namespace
}  // namespace jobhost::wsd
