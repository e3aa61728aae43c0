#include "service/job_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_pipe.h"

namespace jobhost {
namespace {

using testing::Utf16LeBytes;

// The request's flags by name; the set ones are listed, or "none".
std::vector<std::string> FlagsSet(const JobRequest& r) {
  const std::pair<const char*, std::int32_t> flags[] = {{"render", r.renderRequested},
                                                        {"createOverlay", r.createOverlayRequested},
                                                        {"printOverlay", r.printOverlayRequested},
                                                        {"close", r.closeRequested},
                                                        {"duplex", r.duplexRequested},
                                                        {"endRender", r.endRenderRequested},
                                                        {"checkPort", r.checkPortRequested}};
  std::vector<std::string> set;
  for (const auto& [name, value] : flags)
    if (value != 0) set.emplace_back(name);
  return set.empty() ? std::vector<std::string>{"none"} : set;
}

std::vector<std::byte> Wire(std::u16string_view text) {
  return Utf16LeBytes(text);
}

std::vector<std::byte> WithoutLastByte(std::u16string_view text) {
  std::vector<std::byte> bytes = Utf16LeBytes(text);
  bytes.pop_back();
  return bytes;
}

std::vector<std::byte> WithExtraByte(std::u16string_view text) {
  std::vector<std::byte> bytes = Utf16LeBytes(text);
  bytes.push_back(std::byte{0x41});
  return bytes;
}

std::u16string Repeated(std::size_t count, char16_t unit = u'x') {
  return std::u16string(count, unit);
}

struct ParseCase {
  const char* rule;
  std::vector<std::byte> message;
  std::string flag;
  // The texts the request carries: render arguments, overlay source and
  // target, or the printer name, in the field of the flag.
  std::u16string first = {};
  std::u16string second = {};
};

std::vector<ParseCase> ParseCases() {
  using std::u16string_view;
  return {
      {"CloseAlone", Wire(u"Close"), "close"},
      {"CloseIsAPrefix", Wire(u"Closed for today"), "close"},
      {"KeywordsAreCaseSensitive", Wire(u"close"), "none"},
      {"UnknownWord", Wire(u"Hello"), "none"},
      {"EmptyText", Wire(u""), "none"},
      {"Duplex", Wire(u"Duplex/ignored"), "duplex"},
      {"EndRender", Wire(u"EndRender"), "endRender"},
      {"RenderNeedsTwoSlashesInArguments", Wire(u"RenderXPS/a/b"), "none"},
      {"RenderWithThreeFields", Wire(u"RenderXPS/a/b/c"), "render", u"a/b/c"},
      {"RenderSeparatorNotExamined", Wire(u"RenderXPS-a/b/c"), "render", u"a/b/c"},
      {"RenderKeywordAlone", Wire(u"RenderXPS"), "none"},
      {"RenderArgumentsAtCapacity", Wire(u"RenderXPS/a/b/" + Repeated(1019)), "render",
       u"a/b/" + Repeated(1019)},
      {"OverlongRenderArgumentsRejectRequest", Wire(u"RenderXPS/a/b/" + Repeated(1020)), "none"},
      {"OverlayWithOneSlash", Wire(u"CreateOverlay/a"), "none"},
      {"OverlayTargetKeepsLaterSlashes", Wire(u"CreateOverlay/s/t/u"), "createOverlay", u"s",
       u"t/u"},
      {"OverlayEmptySource", Wire(u"CreateOverlay//t"), "createOverlay", u"", u"t"},
      {"OverlaySkipsTextBeforeFirstSlash", Wire(u"CreateOverlayXY/s/t"), "createOverlay", u"s",
       u"t"},
      {"PrintOverlay", Wire(u"PrintOverlay/C:\\a.xps/D:\\b.xps"), "printOverlay", u"C:\\a.xps",
       u"D:\\b.xps"},
      {"OverlayPathsAtCapacity", Wire(u"PrintOverlay/" + Repeated(259) + u"/" + Repeated(259)),
       "printOverlay", Repeated(259), Repeated(259)},
      {"OverlongOverlaySourceRejectsRequest", Wire(u"CreateOverlay/" + Repeated(260) + u"/t"),
       "none"},
      {"OverlongOverlayTargetRejectsRequest", Wire(u"PrintOverlay/s/" + Repeated(260)), "none"},
      {"PrinterNameKeepsSlashes", Wire(u"CheckPort/HP/Office"), "checkPort", u"HP/Office"},
      {"PrinterNameNonAscii", Wire(u"CheckPort/Drucker B\u00fcro \U0001F5A8"), "checkPort",
       u"Drucker B\u00fcro \U0001F5A8"},
      {"CheckPortFirstSlashAtTenGivesEmptyName", Wire(u"CheckPortx/abc"), "checkPort"},
      {"CheckPortNameEndsAtLaterFirstSlash", Wire(u"CheckPortxab/cd"), "checkPort", u"ab"},
      {"CheckPortKeywordAlone", Wire(u"CheckPort"), "none"},
      {"CheckPortEmptyName", Wire(u"CheckPort/"), "checkPort"},
      {"PrinterNameAtCapacity", Wire(u"CheckPort/" + Repeated(511)), "checkPort", Repeated(511)},
      {"OverlongPrinterNameRejectsRequest", Wire(u"CheckPort/" + Repeated(512)), "none"},
      {"NulEndsText", Wire(u16string_view(u"CheckPort/P\0junk", 16)), "checkPort", u"P"},
      {"NulCanHideASlash", Wire(u16string_view(u"RenderXPS/a/b\0/c", 16)), "none"},
      {"OddByteCountDropsHalfUnit", WithExtraByte(u"CheckPort/AB"), "checkPort", u"AB"},
      {"OddByteCountEndsAtLastWholeUnit", WithoutLastByte(u"CheckPort/AB"), "checkPort", u"A"},
      {"FirstKeywordDecides", Wire(u"CloseDuplex"), "close"},
  };
}

TEST(ParseJobRequest, FollowsTheRequestTable) {
  for (const ParseCase& c : ParseCases()) {
    SCOPED_TRACE(c.rule);
    JobRequest request;
    ParseJobRequest(c.message, request);
    EXPECT_EQ(FlagsSet(request), std::vector<std::string>{c.flag});

    std::u16string renderArguments, source, target, printerName;
    if (c.flag == "render") renderArguments = c.first;
    if (c.flag == "createOverlay" || c.flag == "printOverlay") {
      source = c.first;
      target = c.second;
    }
    if (c.flag == "checkPort") printerName = c.first;
    EXPECT_EQ(request.renderArguments, renderArguments);
    EXPECT_EQ(request.overlaySource, source);
    EXPECT_EQ(request.overlayTarget, target);
    EXPECT_EQ(request.portPrinterName, printerName);
    EXPECT_EQ(request.actionResult, 0);
    EXPECT_TRUE(request.portAddress.empty());
  }
}

TEST(ParseJobRequest, ClearsEveryFieldOfTheEarlierRequest) {
  JobRequest request;
  ParseJobRequest(Wire(u"CreateOverlay/s/t"), request);
  request.actionResult = 1;
  request.portAddress = u"192.0.2.5";
  ParseJobRequest(Wire(u"RenderXPS/a/b"), request);  // malformed: nothing set
  EXPECT_EQ(FlagsSet(request), std::vector<std::string>{"none"});
  EXPECT_TRUE(request.overlaySource.empty());
  EXPECT_TRUE(request.overlayTarget.empty());
  EXPECT_EQ(request.actionResult, 0);
  EXPECT_TRUE(request.portAddress.empty());
}

}  // namespace
}  // namespace jobhost
