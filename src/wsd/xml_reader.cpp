#include "wsd/xml_reader.h"

#include <algorithm>

namespace jobhost::wsd {

XmlReader::XmlReader(std::string_view document) {
  if (document.size() <= kMaxXmlDocumentBytes) source_ = OpenXmlNodeSource(document);
  if (!source_) last_ = XmlNode::kRefused;
}

XmlNode XmlReader::Refuse() {
  source_.reset();
  path_.clear();
  scopes_.clear();
  return last_ = XmlNode::kRefused;
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
    const XmlNode node = source_->Read();
    switch (node) {
      case XmlNode::kElementStart: {
        if (path_.size() == kMaxXmlDepth) return Refuse();
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
