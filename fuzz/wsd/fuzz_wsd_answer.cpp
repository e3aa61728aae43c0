// WS-Discovery answers and device metadata come from anyone on the link: no
// document may crash the reader or the decoders, elements always nest within
// the depth limit, and nothing decoded is longer than what was sent (no
// entity is expanded). The same bytes also script a node source, standing in
// for a library that misbehaves: the reader reads at most one node per byte,
// passes no element of more than kMaxXmlAttributes attributes, and refuses
// a node given again at the same position.
//
// Run it with ASAN_OPTIONS=quarantine_size_mb=32, so that -rss_limit_mb
// measures the decoder rather than the sanitizer's quarantine of freed
// memory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "wsd/soap_messages.h"
#include "wsd/xml_reader.h"

using namespace jobhost::wsd;

static void Check(bool condition) {
  if (!condition) __builtin_trap();
}

namespace {

// Each byte of the script is one node: its low three bits the kind, the rest
// its position's column (0: none told) and, for an element start, its
// attributes by 2s. The script then repeats its last node for ever.
class ScriptedSource : public XmlNodeSource {
 public:
  // What it counts outlives it: the reader drops its source on refusal.
  struct Counts {
    std::size_t reads = 0;
    std::size_t attributes = 0;  // of the last element start asked
  };
  ScriptedSource(std::string_view script, Counts& counts) : script_(script), counts_(counts) {}
  XmlNode Read() override {
    ++counts_.reads;
    if (!script_.empty()) {
      at_ = static_cast<std::uint8_t>(script_.front());
      script_.remove_prefix(1);
    }
    constexpr XmlNode kKinds[] = {
        XmlNode::kElementStart, XmlNode::kElementEnd,   XmlNode::kText, XmlNode::kSkipped,
        XmlNode::kText,         XmlNode::kElementStart, XmlNode::kEnd,  XmlNode::kRefused};
    return kKinds[at_ & 7];
  }
  std::optional<XmlPosition> Position() override {
    if ((at_ >> 3) == 0) return std::nullopt;
    return XmlPosition{1, static_cast<unsigned>(at_ >> 3)};
  }
  bool EmptyElement() override { return (at_ & 8) != 0; }
  std::size_t AttributeCount() override {
    return counts_.attributes = static_cast<std::size_t>(at_ >> 3) * 9;
  }
  XmlName Name() override { return {"urn:n", "e"}; }
  std::vector<XmlNamespaceDeclaration> Declarations() override { return {{"p", "urn:p"}}; }
  std::string Text() override { return "t"; }

 private:
  std::string_view script_;
  Counts& counts_;
  std::uint8_t at_ = 0;
};

void CheckReaderBounds(std::string_view document) {
  ScriptedSource::Counts source;
  XmlReader reader(document, std::make_unique<ScriptedSource>(document, source));
  for (XmlNode node = reader.Next(); node != XmlNode::kEnd && node != XmlNode::kRefused;
       node = reader.Next()) {
    Check(node != XmlNode::kSkipped);
    Check(node != XmlNode::kElementStart || source.attributes <= kMaxXmlAttributes);
  }
  Check(source.reads <= document.size());
}

}  // namespace

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
  if (size <= kMaxXmlDocumentBytes) CheckReaderBounds(document);
  return 0;
}
