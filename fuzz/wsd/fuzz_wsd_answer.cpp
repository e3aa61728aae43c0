// WS-Discovery answers and device metadata come from anyone on the link: no
// document may crash the reader or the decoders, the reader's elements always
// nest within the depth limit, and what is decoded is no more than was sent.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "wsd/soap_messages.h"
#include "wsd/xml_reader.h"

namespace {

using namespace jobhost::wsd;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckNesting(std::string_view document) {
  XmlReader reader(document);
  std::size_t depth = 0;
  for (;;) {
    switch (reader.Next()) {
      case XmlNode::kElementStart:
        Check(++depth <= kMaxXmlDepth && reader.Path().size() == depth);
        break;
      case XmlNode::kElementEnd:
        // The element that ends is still the last of the path.
        Check(depth > 0 && reader.Path().size() == depth);
        --depth;
        break;
      case XmlNode::kText:
        Check(depth > 0 && reader.Path().size() == depth);
        break;
      case XmlNode::kEnd:
        Check(depth == 0);
        return;
      case XmlNode::kRefused:
        return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  CheckNesting(document);
  // No entity is expanded: every decoded text is at most as long as the document.
  if (const auto answer = DecodeDiscoveryAnswer(document)) {
    Check(size <= kMaxXmlDocumentBytes && answer->relatesTo.size() <= size);
    for (const DiscoveryMatch& match : answer->matches) {
      Check(!match.endpoint.empty() && match.endpoint.size() <= size);
      for (const auto& address : match.transportAddresses) Check(address.size() <= size);
    }
  }
  if (const auto name = DecodeDeviceName(document))
    Check(size <= kMaxXmlDocumentBytes && name->size() <= size);
  return 0;
}
