// The XML reader over the platform's library (libxml2, or XmlLite under
// Wine), and the messages read and written on it.

#include "wsd/soap_messages.h"

#include <gtest/gtest.h>

#include <regex>

#include "wsd/wsd_documents.h"
#include "wsd/xml_reader.h"

namespace jobhost::wsd {
namespace {

using namespace testing;

// "<name{namespace}", "/name", "t:text", "." at the end; only "refused" for
// a refused document, however far the platform's library got into it.
std::string Trace(std::string_view document) {
  XmlReader reader(document);
  std::string trace;
  for (;;) {
    const XmlNode node = reader.Next();
    if (node == XmlNode::kRefused) return "refused";
    if (node == XmlNode::kEnd) return trace + ".";
    const XmlName& name = reader.Path().back();
    if (node == XmlNode::kElementStart)
      trace += "<" + name.localName + "{" + name.namespaceUri + "} ";
    if (node == XmlNode::kElementEnd) trace += "/" + name.localName + " ";
    if (node == XmlNode::kText) trace += "t:" + reader.Text() + " ";
  }
}

std::string Nested(std::size_t depth) {
  std::string document;
  for (std::size_t i = 0; i < depth; ++i) document += "<a>";
  for (std::size_t i = 0; i < depth; ++i) document += "</a>";
  return document;
}

std::string NestedTrace(std::size_t depth) {
  std::string trace;
  for (std::size_t i = 0; i < depth; ++i) trace += "<a{} ";
  for (std::size_t i = 0; i < depth; ++i) trace += "/a ";
  return trace + ".";
}

// An element whose comment pads the document to the size.
std::string Padded(std::size_t size) {
  return "<a><!--" + std::string(size - 14, 'x') + "--></a>";
}

TEST(XmlReader, ReadsElementsTextAndNamespacesAndRefusesWhatItMustNot) {
  const struct {
    std::string document;
    std::string trace;
  } cases[] = {
      {R"(<a xmlns="u"><b/>t<![CDATA[<c>]]></a>)", "<a{u} <b{u} /b t:t t:<c> /a ."},
      {R"(<?xml version="1.0"?><!--c--><p:a xmlns:p="u"><?pi x?><b/></p:a>)", "<a{u} <b{} /b /a ."},
      {"<a>&amp;&#233;</a>", "<a{} t:&\xc3\xa9 /a ."},
      {R"(<!DOCTYPE a [<!ENTITY e "x">]><a>&e;</a>)", "refused"},
      {R"(<!DOCTYPE a SYSTEM "http://192.0.2.1/a.dtd"><a/>)", "refused"},
      {R"(<!DOCTYPE a [<!ENTITY % p SYSTEM "file:///etc/hostname"> %p;]><a/>)", "refused"},
      {"<a><b></a>", "refused"},
      {"<a>", "refused"},
      {"", "refused"},
      {Nested(kMaxXmlDepth), NestedTrace(kMaxXmlDepth)},
      {Nested(kMaxXmlDepth + 1), "refused"},
      {Padded(kMaxXmlDocumentBytes), "<a{} /a ."},
      {Padded(kMaxXmlDocumentBytes + 1), "refused"},
  };
  for (const auto& c : cases) EXPECT_EQ(Trace(c.document), c.trace) << c.document.substr(0, 80);
}

TEST(SoapMessages, ProbeIsThisEnvelopeAndReadsBackWithItsTypeInThePrintNamespace) {
  const std::string id = NewMessageId();
  EXPECT_TRUE(std::regex_match(id, std::regex("urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-"
                                              "[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
      << id;
  EXPECT_NE(NewMessageId(), id);
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
  // Read back: the type's prefix stands for the print namespace where it is.
  XmlReader reader(probe);
  std::string typesAt;
  for (XmlNode node = reader.Next(); node != XmlNode::kEnd; node = reader.Next()) {
    ASSERT_NE(node, XmlNode::kRefused);
    if (node != XmlNode::kText || reader.Text() != "wprt:PrintDeviceType") continue;
    for (const XmlName& name : reader.Path()) typesAt += name.localName + "/";
    EXPECT_TRUE(
        reader.Path().back().Is("http://schemas.xmlsoap.org/ws/2005/04/discovery", "Types"));
    EXPECT_EQ(reader.NamespaceOf("wprt"), std::string(kPrintNamespace));
    EXPECT_EQ(reader.NamespaceOf("p"), std::nullopt);
  }
  EXPECT_EQ(typesAt, "Envelope/Body/Probe/Types/");
  // Text from an answer stays text in what is sent back.
  EXPECT_NE(GetMessage("urn:uuid:2", "urn:<x>&").find("<wsa:To>urn:&lt;x&gt;&amp;</wsa:To>"),
            std::string::npos);
  EXPECT_NE(ResolveMessage("urn:uuid:3", "urn:e").find("<wsa:Address>urn:e</wsa:Address>"),
            std::string::npos);
}

TEST(SoapMessages, DecodesProbeAndResolveMatchesWithOrWithoutPrefixes) {
  const std::string unprefixed =
      R"(<Envelope xmlns="http://www.w3.org/2003/05/soap-envelope"><Header>)"
      R"(<RelatesTo xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing"> urn:uuid:1 </RelatesTo>)"
      R"(</Header><Body><ProbeMatches xmlns="http://schemas.xmlsoap.org/ws/2005/04/discovery">)"
      R"(<ProbeMatch><EndpointReference xmlns="http://schemas.xmlsoap.org/ws/2004/08/addressing">)"
      R"(<Address>urn:e</Address></EndpointReference>)"
      R"(<Types xmlns:q="http://schemas.microsoft.com/windows/2006/08/wdp/print">q:PrintDeviceType)"
      R"(</Types><XAddrs>http://10.0.0.5/</XAddrs></ProbeMatch></ProbeMatches></Body></Envelope>)";
  const std::string soap11 =
      std::regex_replace(unprefixed, std::regex("www.w3.org/2003/05/soap-envelope"),
                         "schemas.xmlsoap.org/soap/envelope/");
  const struct {
    std::string document;
    std::string decoded;  // relatesTo|endpoint printer xaddrs...|...; "none" for nullopt
  } cases[] = {
      {Matches("urn:uuid:1", Match("urn:e", "http://10.0.0.5/ https://10.0.0.5/")),
       "urn:uuid:1|urn:e 1 http://10.0.0.5/ https://10.0.0.5/"},
      {unprefixed, "urn:uuid:1|urn:e 1 http://10.0.0.5/"},
      {Matches(
           "urn:uuid:1",
           Match("urn:e", "<![CDATA[http://10.0.0.5/?a=1&b=2]]>", "p:PrintDeviceType", "Resolve"),
           "Resolve"),
       "urn:uuid:1|urn:e 1 http://10.0.0.5/?a=1&b=2"},
      {Matches("urn:uuid:1", Match("urn:a&amp;b", "") + Match("urn:c", "", "dp:Device", "Probe")),
       "urn:uuid:1|urn:a&b 1|urn:c 0"},
      {Matches("urn:uuid:1", Match("urn:e", "", "d:PrintDeviceType PrintDeviceType")),
       "urn:uuid:1|urn:e 0"},
      {Matches("urn:uuid:1", Match("", "http://10.0.0.5/")), "urn:uuid:1"},
      {Matches("urn:uuid:1", Match("urn:e", "", "p:PrintDeviceType", "Resolve")), "urn:uuid:1"},
      {Envelope("urn:uuid:1", "<d:Probe/>"), "none"},
      {soap11, "none"},
      {"<!DOCTYPE s:Envelope>" + Matches("urn:uuid:1", Match("urn:e", "")), "none"},
      {Matches("urn:uuid:1", Match("urn:e", Nested(kMaxXmlDepth))), "none"},
      {Matches("urn:uuid:1", Match("urn:e", Padded(kMaxXmlDocumentBytes))), "none"},
  };
  for (const auto& c : cases) {
    const std::optional<DiscoveryAnswer> answer = DecodeDiscoveryAnswer(c.document);
    std::string decoded = answer ? answer->relatesTo : "none";
    for (const DiscoveryMatch& match : answer ? answer->matches : std::vector<DiscoveryMatch>{}) {
      decoded += "|" + match.endpoint + (match.printer ? " 1" : " 0");
      for (const std::string& address : match.transportAddresses) decoded += " " + address;
    }
    EXPECT_EQ(decoded, c.decoded) << c.document;
  }
}

TEST(SoapMessages, NamesTheDeviceByFriendlyNameElseManufacturerAndModel) {
  const auto device = [](std::string_view name) {
    return "<dp:ThisDevice><dp:FriendlyName>" + std::string(name) +
           "</dp:FriendlyName></dp:ThisDevice>";
  };
  const std::string model =
      "<dp:ThisModel><dp:Manufacturer>\n  Vantorel </dp:Manufacturer><dp:ModelName>LX-200"
      "</dp:ModelName></dp:ThisModel>";
  const struct {
    std::string document;
    std::optional<std::string> name;
  } cases[] = {
      {Metadata(device("\n   Front Desk\t") + model), "Front Desk"},
      {Metadata(model + device("Front Desk")), "Front Desk"},
      {Metadata(device("") + model), "Vantorel LX-200"},
      {Metadata("<dp:ThisModel><dp:ModelName>LX-200</dp:ModelName></dp:ThisModel>"), "LX-200"},
      {Metadata(device("Caf&#233; &amp; <![CDATA[<Co>]]>") + device("Second")),
       "Caf\xc3\xa9 & <Co>"},
      {Metadata("<dp:FriendlyName>Not in ThisDevice</dp:FriendlyName>"), ""},
      {Envelope("urn:uuid:get", "<s:Fault/>"), ""},
      {"<!DOCTYPE s:Envelope [<!ENTITY n \"Spoof\">]>" + Metadata(device("&n;")), std::nullopt},
      {"<Envelope>" + device("Front Desk") + "</Envelope>", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeDeviceName(c.document), c.name) << c.document;
}

}  // namespace
}  // namespace jobhost::wsd
