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
inline constexpr std::size_t kMaxXmlAttributes = 256;

enum class XmlNode {
  kElementStart,
  kElementEnd,
  kText,     // character data, CDATA sections and white space alike
  kEnd,      // the document ended well-formed
  kRefused,  // not well-formed, too big, too deep, or holding a document type
  kSkipped,  // of a source only: a comment, processing instruction or declaration
};

// Where a node stands in its document, as the platform's library tells it.
struct XmlPosition {
  unsigned line = 0;
  unsigned column = 0;
  bool operator==(const XmlPosition&) const = default;
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
  // The next element start or end, text, or kSkipped for a node passed over
  // (a comment, a processing instruction, the XML declaration). An empty
  // element (<a/>) gives its start only.
  virtual XmlNode Read() = 0;
  // Of the node read; nullopt where the library does not tell.
  virtual std::optional<XmlPosition> Position() = 0;
  // Of an element start:
  virtual bool EmptyElement() = 0;
  virtual std::size_t AttributeCount() = 0;
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
  // A document over kMaxXmlDocumentBytes, or one that could hold an element
  // of more than kMaxXmlAttributes attributes, is refused unread. The
  // document must outlive the reader (the platform's library may read it in
  // place).
  explicit XmlReader(std::string_view document);
  // Over a source of one's own (tests): the same bounds on what it gives.
  XmlReader(std::string_view document, std::unique_ptr<XmlNodeSource> source);

  // Every element start is followed by its end, an empty element's too.
  // After kRefused or kEnd, the same again. Refused as well: more nodes than
  // the document has bytes, an element of more than kMaxXmlAttributes
  // attributes, and a source that gives the node it gave last again (same
  // kind, same position) instead of moving on.
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
  bool MovedOn(XmlNode node);

  std::unique_ptr<XmlNodeSource> source_;
  std::vector<XmlName> path_;
  std::vector<Scope> scopes_;
  std::string text_;
  bool pendingEnd_ = false;    // an empty element's end is still to come
  bool closePending_ = false;  // the element ended last leaves at the next step
  XmlNode last_ = XmlNode::kText;
  std::size_t nodesLeft_ = 0;  // one per byte of the document
  XmlNode lastRead_ = XmlNode::kEnd;
  std::optional<XmlPosition> lastPosition_;
};

}  // namespace jobhost::wsd
