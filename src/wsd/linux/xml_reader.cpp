// The XML reader on Linux: libxml2's xmlTextReader, which streams, so a deep
// or long document is refused as it is read rather than built first.

#include <libxml/xmlreader.h>

#include <algorithm>
#include <memory>

#include "system/unique_resource.h"
#include "wsd/xml_reader.h"

namespace jobhost::wsd {
namespace {

// No network, no external subset, no entity substitution, no default
// attributes from a document type, and no messages on the process's stderr.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

using ReaderOwner = UniquePointer<xmlTextReader, xmlFreeTextReader>;

std::string TextOf(const xmlChar* text) {
  return text ? reinterpret_cast<const char*>(text) : "";
}

void IgnoreError(void*, xmlErrorPtr) {}
void IgnoreMessage(void*, const char*, ...) {}

// Errors the parser raises outside a reader's own handler (an input that
// cannot be converted from its encoding, for one) go to the thread's
// handlers, whose default writes to stderr: quiet ones are set for as long
// as a reader lives, and the caller's put back after it.
class QuietThread {
 public:
  QuietThread()
      : generic_(xmlGenericError),
        genericContext_(xmlGenericErrorContext),
        structured_(xmlStructuredError),
        structuredContext_(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, IgnoreMessage);
    xmlSetStructuredErrorFunc(nullptr, IgnoreError);
  }
  ~QuietThread() {
    xmlSetGenericErrorFunc(genericContext_, generic_);
    xmlSetStructuredErrorFunc(structuredContext_, structured_);
  }
  QuietThread(const QuietThread&) = delete;
  QuietThread& operator=(const QuietThread&) = delete;

 private:
  xmlGenericErrorFunc generic_;
  void* genericContext_;
  xmlStructuredErrorFunc structured_;
  void* structuredContext_;
};

class LibXmlNodeSource : public XmlNodeSource {
 public:
  LibXmlNodeSource(std::unique_ptr<QuietThread> quiet, ReaderOwner reader)
      : quiet_(std::move(quiet)), reader_(std::move(reader)) {}

  XmlNode Read() override {
    const int read = xmlTextReaderRead(reader_.get());
    if (read == 0) return XmlNode::kEnd;
    if (read < 0) return XmlNode::kRefused;
    switch (xmlTextReaderNodeType(reader_.get())) {
      case XML_READER_TYPE_ELEMENT:
        return XmlNode::kElementStart;
      case XML_READER_TYPE_END_ELEMENT:
        return XmlNode::kElementEnd;
      case XML_READER_TYPE_TEXT:
      case XML_READER_TYPE_CDATA:
      case XML_READER_TYPE_WHITESPACE:
      case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        return XmlNode::kText;
      case XML_READER_TYPE_COMMENT:
      case XML_READER_TYPE_PROCESSING_INSTRUCTION:
      case XML_READER_TYPE_XML_DECLARATION:
        return XmlNode::kSkipped;
      default:
        // A document type, or an entity reference it would declare.
        return XmlNode::kRefused;
    }
  }

  // The reader tells only where its parser is, which is ahead of the node
  // and shared by the nodes of one chunk; every successful read moves on.
  std::optional<XmlPosition> Position() override { return std::nullopt; }

  bool EmptyElement() override { return xmlTextReaderIsEmptyElement(reader_.get()) == 1; }

  std::size_t AttributeCount() override {
    return static_cast<std::size_t>(std::max(xmlTextReaderAttributeCount(reader_.get()), 0));
  }

  XmlName Name() override {
    return {TextOf(xmlTextReaderConstNamespaceUri(reader_.get())),
            TextOf(xmlTextReaderConstLocalName(reader_.get()))};
  }

  std::vector<XmlNamespaceDeclaration> Declarations() override {
    std::vector<XmlNamespaceDeclaration> declarations;
    while (xmlTextReaderMoveToNextAttribute(reader_.get()) == 1) {
      if (xmlTextReaderIsNamespaceDecl(reader_.get()) != 1) continue;
      // "xmlns:p" has the local name "p"; "xmlns" declares the default.
      const bool prefixed = xmlTextReaderConstPrefix(reader_.get()) != nullptr;
      declarations.emplace_back(prefixed ? TextOf(xmlTextReaderConstLocalName(reader_.get())) : "",
                                TextOf(xmlTextReaderConstValue(reader_.get())));
    }
    xmlTextReaderMoveToElement(reader_.get());
    return declarations;
  }

  std::string Text() override { return TextOf(xmlTextReaderConstValue(reader_.get())); }

 private:
  std::unique_ptr<QuietThread> quiet_;  // outlives the reader
  ReaderOwner reader_;
};

}  // namespace

std::unique_ptr<XmlNodeSource> OpenXmlNodeSource(std::string_view document) {
  auto quiet = std::make_unique<QuietThread>();
  ReaderOwner reader(xmlReaderForMemory(document.data(), static_cast<int>(document.size()), nullptr,
                                        nullptr, kParseOptions));
  if (!reader) return nullptr;
  xmlTextReaderSetStructuredErrorHandler(reader.get(), IgnoreError, nullptr);
  return std::make_unique<LibXmlNodeSource>(std::move(quiet), std::move(reader));
}

}  // namespace jobhost::wsd
