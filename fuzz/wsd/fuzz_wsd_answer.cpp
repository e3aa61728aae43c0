// WS-Discovery answers and device metadata come from anyone on the link: no
// document may crash the reader or the decoders, elements always nest within
// the depth limit, and nothing decoded is longer than what was sent (no
// entity is expanded).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "wsd/soap_messages.h"
#include "wsd/xml_reader.h"

using namespace jobhost::wsd;

static void Check(bool condition) {
  if (!condition) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  XmlReader reader(document);
  std::size_t depth = 0;  // open elements; an ending one is still on the path
  for (XmlNode node = reader.Next(); node != XmlNode::kEnd && node != XmlNode::kRefused;
       node = reader.Next()) {
    if (node == XmlNode::kElementStart) ++depth;
    Check(depth > 0 && depth <= kMaxXmlDepth && reader.Path().size() == depth);
    if (node == XmlNode::kElementEnd) --depth;
  }
  if (const auto answer = DecodeDiscoveryAnswer(document)) {
    Check(size <= kMaxXmlDocumentBytes && answer->relatesTo.size() <= size);
    for (const DiscoveryMatch& match : answer->matches) {
      Check(!match.endpoint.empty() && match.endpoint.size() <= size);
      for (const auto& address : match.transportAddresses) Check(address.size() <= size);
    }
  }
  if (const auto name = DecodeDeviceName(document)) Check(name->size() <= size);
  return 0;
}
