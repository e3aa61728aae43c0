#pragma once
// A pull reader over one XML document from the network: element starts and
// ends with their namespace and local name, text (CDATA included), and the
// prefixes in scope. The platform's XML library does the parsing
// (XmlNodeSource); this layer holds the limits every answer is read under.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jobhost::wsd {

// Bounds what one answer can cost, whoever sent it.
inline constexpr std::size_t kMaxXmlDocumentBytes = 64 * 1024;
inline constexpr std::size_t kMaxXmlDepth = 32;

enum class XmlNode {
  kElementStart,
  kElementEnd,
  kText,     // character data, CDATA sections and white space alike
  kEnd,      // the document ended well-formed
  kRefused,  // not well-formed, too big, too deep, or holding a document type
};

struct XmlName {
  std::string namespaceUri;
  std::string localName;
  bool Is(std::string_view uri, std::string_view local) const {
    return namespaceUri == uri && localName == local;
  }
};

// (prefix, namespace URI); the default namespace has the empty prefix.
using XmlNamespaceDeclaration = std::pair<std::string, std::string>;

// What the platform's XML library reads of one document. It never loads
// anything, never expands an entity of a document type, and refuses a
// document type declaration.
class XmlNodeSource {
 public:
  virtual ~XmlNodeSource() = default;
  // The next element start or end, or text; comments, processing
  // instructions and the XML declaration are passed over. An empty element
  // (<a/>) gives its start only.
  virtual XmlNode Read() = 0;
  // Of an element start:
  virtual bool EmptyElement() = 0;
  virtual XmlName Name() = 0;
  virtual std::vector<XmlNamespaceDeclaration> Declarations() = 0;
  // Of text, as UTF-8:
  virtual std::string Text() = 0;
};

// nullptr when the platform's library cannot be used. The document must
// outlive the source.
std::unique_ptr<XmlNodeSource> OpenXmlNodeSource(std::string_view document);

class XmlReader {
 public:
  // A document over kMaxXmlDocumentBytes is refused unread. The document
  // must outlive the reader (the platform's library may read it in place).
  explicit XmlReader(std::string_view document);

  // Every element start is followed by its end, an empty element's too.
  // After kRefused or kEnd, the same again.
  XmlNode Next();
  // The open elements from the root on; at an element's start or end it is
  // the last one.
  const std::vector<XmlName>& Path() const { return path_; }
  // Of kText.
  const std::string& Text() const { return text_; }
  // The namespace a prefix stands for at the current element.
  std::optional<std::string> NamespaceOf(std::string_view prefix) const;

 private:
  struct Scope {
    std::size_t depth;
    XmlNamespaceDeclaration declaration;
  };
  XmlNode Refuse();
  void CloseElement();

  std::unique_ptr<XmlNodeSource> source_;
  std::vector<XmlName> path_;
  std::vector<Scope> scopes_;
  std::string text_;
  bool pendingEnd_ = false;    // an empty element's end is still to come
  bool closePending_ = false;  // the element ended last leaves at the next step
  XmlNode last_ = XmlNode::kText;
};

}  // namespace jobhost::wsd
