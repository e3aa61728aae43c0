#include "wsd/xml_reader.h"

#include <algorithm>

namespace jobhost::wsd {
namespace {

// Each attribute of a start tag has its '=' between the tag's '<' and the
// next '<' (no attribute value holds a '<'). Counted before the library
// reads the document, whose check of an element's attributes against one
// another grows with their square.
bool MayHoldTooManyAttributes(std::string_view document) {
  std::size_t equals = 0;
  for (char c : document) {
    if (c == '<') equals = 0;
    if (c == '=' && ++equals > kMaxXmlAttributes) return true;
  }
  return false;
}

}  // namespace

XmlReader::XmlReader(std::string_view document)
    : XmlReader(document,
                document.size() > kMaxXmlDocumentBytes || MayHoldTooManyAttributes(document)
                    ? nullptr
                    : OpenXmlNodeSource(document)) {}

XmlReader::XmlReader(std::string_view document, std::unique_ptr<XmlNodeSource> source)
    : source_(document.size() <= kMaxXmlDocumentBytes ? std::move(source) : nullptr),
      nodesLeft_(document.size()) {
  if (!source_) last_ = XmlNode::kRefused;
}

XmlNode XmlReader::Refuse() {
  source_.reset();
  path_.clear();
  scopes_.clear();
  return last_ = XmlNode::kRefused;
}

// A library that keeps giving one node would never reach the end of the
// document.
bool XmlReader::MovedOn(XmlNode node) {
  std::optional<XmlPosition> position = source_->Position();
  const bool repeated = position && node == lastRead_ && position == lastPosition_;
  lastRead_ = node;
  lastPosition_ = position;
  return !repeated;
}

void XmlReader::CloseElement() {
  while (!scopes_.empty() && scopes_.back().depth == path_.size()) scopes_.pop_back();
  path_.pop_back();
}

XmlNode XmlReader::Next() {
  if (last_ == XmlNode::kRefused || last_ == XmlNode::kEnd) return last_;
  if (closePending_) {
    CloseElement();
    closePending_ = false;
  }
  if (pendingEnd_) {
    pendingEnd_ = false;
    closePending_ = true;
    return last_ = XmlNode::kElementEnd;
  }
  for (;;) {
    if (nodesLeft_ == 0) return Refuse();
    --nodesLeft_;
    const XmlNode node = source_->Read();
    if (node != XmlNode::kEnd && node != XmlNode::kRefused && !MovedOn(node)) return Refuse();
    switch (node) {
      case XmlNode::kSkipped:
        continue;
      case XmlNode::kElementStart: {
        if (path_.size() == kMaxXmlDepth || source_->AttributeCount() > kMaxXmlAttributes) {
          return Refuse();
        }
        path_.push_back(source_->Name());
        for (XmlNamespaceDeclaration& declaration : source_->Declarations()) {
          scopes_.push_back({path_.size(), std::move(declaration)});
        }
        pendingEnd_ = source_->EmptyElement();
        break;
      }
      case XmlNode::kElementEnd:
        if (path_.empty()) return Refuse();
        closePending_ = true;
        break;
      case XmlNode::kText:
        if (path_.empty()) continue;  // white space around the root element
        text_ = source_->Text();
        break;
      case XmlNode::kEnd:
        if (!path_.empty()) return Refuse();
        break;
      case XmlNode::kRefused:
        return Refuse();
    }
    return last_ = node;
  }
}

std::optional<std::string> XmlReader::NamespaceOf(std::string_view prefix) const {
  const auto found = std::find_if(scopes_.rbegin(), scopes_.rend(), [&](const Scope& scope) {
    return scope.declaration.first == prefix;
  });
  if (found == scopes_.rend()) return std::nullopt;
  return found->declaration.second;
}

}  // namespace jobhost::wsd
