// The bounds the XML reader holds whatever its library gives: a scripted
// node source, and the platform's library on documents that would cost it
// dearly.

#include "wsd/xml_reader.h"

#include <gtest/gtest.h>

namespace jobhost::wsd {
namespace {

struct Step {
  XmlNode node;
  std::optional<XmlPosition> position;
  std::size_t attributes = 0;
};

// Gives its steps in turn, then the last one for ever, as a library stuck
// on one node would.
class ScriptedSource : public XmlNodeSource {
 public:
  ScriptedSource(std::vector<Step> steps, int& reads) : steps_(std::move(steps)), reads_(reads) {}
  XmlNode Read() override {
    at_ = std::min<std::size_t>(reads_++, steps_.size() - 1);
    return steps_[at_].node;
  }
  std::optional<XmlPosition> Position() override { return steps_[at_].position; }
  bool EmptyElement() override { return false; }
  std::size_t AttributeCount() override { return steps_[at_].attributes; }
  XmlName Name() override { return {"urn:n", "e"}; }
  std::vector<XmlNamespaceDeclaration> Declarations() override { return {}; }
  std::string Text() override { return "t"; }

 private:
  std::vector<Step> steps_;
  int& reads_;
  std::size_t at_ = 0;
};

constexpr XmlNode kStart = XmlNode::kElementStart, kEnd = XmlNode::kElementEnd,
                  kText = XmlNode::kText, kSkip = XmlNode::kSkipped, kDone = XmlNode::kEnd;

TEST(XmlReader, RefusesASourceThatRepeatsANodeOrGivesMoreNodesThanBytesOrAttributes) {
  const XmlPosition a{1, 1}, b{1, 5};
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::size_t documentBytes;
    bool refused;
    int reads;  // of the source, in all
  } cases[] = {
      {"a well-formed document", {{kStart, a}, {kText, b}, {kEnd, {}}, {kDone, {}}}, 16, false, 4},
      {"text again where it was", {{kStart, a}, {kText, b}, {kText, b}}, 16, true, 3},
      {"text again further on",
       {{kStart, a}, {kText, b}, {kText, XmlPosition{2, 1}}, {kEnd, {}}, {kDone, {}}},
       16,
       false,
       5},
      {"text for ever, no position told", {{kStart, {}}, {kText, {}}}, 16, true, 16},
      {"comments for ever", {{kStart, {}}, {kSkip, {}}}, 100, true, 100},
      {"256 attributes", {{kStart, a, 256}, {kEnd, {}}, {kDone, {}}}, 16, false, 3},
      {"257 attributes", {{kStart, a, 257}}, 16, true, 1},
  };
  for (const auto& c : cases) {
    int reads = 0;
    const std::string document(c.documentBytes, ' ');
    XmlReader reader(document, std::make_unique<ScriptedSource>(c.steps, reads));
    XmlNode node = reader.Next();
    while (node != XmlNode::kEnd && node != XmlNode::kRefused) node = reader.Next();
    EXPECT_EQ(node == XmlNode::kRefused, c.refused) << c.what;
    EXPECT_EQ(reader.Next(), node) << c.what << ": final";
    EXPECT_EQ(reads, c.reads) << c.what;
  }
}

// An element's attributes cost the library more than their bytes: too many
// are refused before it reads them.
TEST(XmlReader, RefusesAnElementOfMoreThan256AttributesUnread) {
  const auto element = [](int attributes) {
    std::string document = "<e";
    for (int i = 0; i < attributes; ++i) document += " a" + std::to_string(i) + "=''";
    return document + ">x</e>";
  };
  const struct {
    int attributes;
    XmlNode second;
  } cases[] = {{256, XmlNode::kText}, {257, XmlNode::kRefused}};
  for (const auto& c : cases) {
    const std::string document = element(c.attributes);
    XmlReader reader(document);
    reader.Next();
    EXPECT_EQ(reader.Next(), c.second) << c.attributes;
  }
}

}  // namespace
}  // namespace jobhost::wsd
