#include "service/job_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_pipe.h"

namespace jobhost {
namespace {

using testing::Utf16LeBytes;

enum class Flag {
  kNone,
  kRender,
  kCreateOverlay,
  kPrintOverlay,
  kClose,
  kDuplex,
  kEndRender,
  kCheckPort
};

std::vector<Flag> FlagsSet(const JobRequest& request) {
  std::vector<Flag> set;
  if (request.renderRequested) set.push_back(Flag::kRender);
  if (request.createOverlayRequested) set.push_back(Flag::kCreateOverlay);
  if (request.printOverlayRequested) set.push_back(Flag::kPrintOverlay);
  if (request.closeRequested) set.push_back(Flag::kClose);
  if (request.duplexRequested) set.push_back(Flag::kDuplex);
  if (request.endRenderRequested) set.push_back(Flag::kEndRender);
  if (request.checkPortRequested) set.push_back(Flag::kCheckPort);
  if (set.empty()) set.push_back(Flag::kNone);
  return set;
}

std::vector<std::byte> Bytes(std::u16string_view text) {
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
  Flag flag;
  // The texts the request carries: render arguments, overlay source and
  // target, or the printer name, in the field of the flag.
  std::u16string first = {};
  std::u16string second = {};
};

std::vector<ParseCase> ParseCases() {
  using std::u16string_view;
  return {
      {"CloseAlone", Bytes(u"Close"), Flag::kClose},
      {"CloseIsAPrefix", Bytes(u"Closed for today"), Flag::kClose},
      {"KeywordsAreCaseSensitive", Bytes(u"close"), Flag::kNone},
      {"UnknownWord", Bytes(u"Hello"), Flag::kNone},
      {"EmptyText", Bytes(u""), Flag::kNone},
      {"Duplex", Bytes(u"Duplex/ignored"), Flag::kDuplex},
      {"EndRender", Bytes(u"EndRender"), Flag::kEndRender},
      {"RenderNeedsTwoSlashesInArguments", Bytes(u"RenderXPS/a/b"), Flag::kNone},
      {"RenderWithThreeFields", Bytes(u"RenderXPS/a/b/c"), Flag::kRender, u"a/b/c"},
      {"RenderSeparatorNotExamined", Bytes(u"RenderXPS-a/b/c"), Flag::kRender, u"a/b/c"},
      {"RenderKeywordAlone", Bytes(u"RenderXPS"), Flag::kNone},
      {"RenderArgumentsAtCapacity", Bytes(u"RenderXPS/a/b/" + Repeated(1019)), Flag::kRender,
       u"a/b/" + Repeated(1019)},
      {"OverlongRenderArgumentsRejectRequest", Bytes(u"RenderXPS/a/b/" + Repeated(1020)),
       Flag::kNone},
      {"OverlayWithOneSlash", Bytes(u"CreateOverlay/a"), Flag::kNone},
      {"OverlayTargetKeepsLaterSlashes", Bytes(u"CreateOverlay/s/t/u"), Flag::kCreateOverlay, u"s",
       u"t/u"},
      {"OverlayEmptySource", Bytes(u"CreateOverlay//t"), Flag::kCreateOverlay, u"", u"t"},
      {"OverlaySkipsTextBeforeFirstSlash", Bytes(u"CreateOverlayXY/s/t"), Flag::kCreateOverlay,
       u"s", u"t"},
      {"PrintOverlay", Bytes(u"PrintOverlay/C:\\a.xps/D:\\b.xps"), Flag::kPrintOverlay,
       u"C:\\a.xps", u"D:\\b.xps"},
      {"OverlayPathsAtCapacity", Bytes(u"PrintOverlay/" + Repeated(259) + u"/" + Repeated(259)),
       Flag::kPrintOverlay, Repeated(259), Repeated(259)},
      {"OverlongOverlaySourceRejectsRequest", Bytes(u"CreateOverlay/" + Repeated(260) + u"/t"),
       Flag::kNone},
      {"OverlongOverlayTargetRejectsRequest", Bytes(u"PrintOverlay/s/" + Repeated(260)),
       Flag::kNone},
      {"PrinterNameKeepsSlashes", Bytes(u"CheckPort/HP/Office"), Flag::kCheckPort, u"HP/Office"},
      {"PrinterNameNonAscii", Bytes(u"CheckPort/Drucker B\u00fcro \U0001F5A8"), Flag::kCheckPort,
       u"Drucker B\u00fcro \U0001F5A8"},
      {"CheckPortFirstSlashAtTenGivesEmptyName", Bytes(u"CheckPortx/abc"), Flag::kCheckPort},
      {"CheckPortNameEndsAtLaterFirstSlash", Bytes(u"CheckPortxab/cd"), Flag::kCheckPort, u"ab"},
      {"CheckPortKeywordAlone", Bytes(u"CheckPort"), Flag::kNone},
      {"CheckPortEmptyName", Bytes(u"CheckPort/"), Flag::kCheckPort},
      {"PrinterNameAtCapacity", Bytes(u"CheckPort/" + Repeated(511)), Flag::kCheckPort,
       Repeated(511)},
      {"OverlongPrinterNameRejectsRequest", Bytes(u"CheckPort/" + Repeated(512)), Flag::kNone},
      {"NulEndsText", Bytes(u16string_view(u"CheckPort/P\0junk", 16)), Flag::kCheckPort, u"P"},
      {"NulCanHideASlash", Bytes(u16string_view(u"RenderXPS/a/b\0/c", 16)), Flag::kNone},
      {"OddByteCountDropsHalfUnit", WithExtraByte(u"CheckPort/AB"), Flag::kCheckPort, u"AB"},
      {"OddByteCountEndsAtLastWholeUnit", WithoutLastByte(u"CheckPort/AB"), Flag::kCheckPort, u"A"},
      {"FirstKeywordDecides", Bytes(u"CloseDuplex"), Flag::kClose},
  };
}

TEST(ParseJobRequest, FollowsTheRequestTable) {
  for (const ParseCase& c : ParseCases()) {
    SCOPED_TRACE(c.rule);
    JobRequest request;
    ParseJobRequest(c.message, request);
    EXPECT_EQ(FlagsSet(request), std::vector<Flag>{c.flag});

    std::u16string renderArguments, source, target, printerName;
    if (c.flag == Flag::kRender) renderArguments = c.first;
    if (c.flag == Flag::kCreateOverlay || c.flag == Flag::kPrintOverlay) {
      source = c.first;
      target = c.second;
    }
    if (c.flag == Flag::kCheckPort) printerName = c.first;
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
  ParseJobRequest(Bytes(u"CreateOverlay/s/t"), request);
  request.actionResult = 1;
  request.portAddress = u"192.0.2.5";
  ParseJobRequest(Bytes(u"RenderXPS/a/b"), request);  // malformed: nothing set
  EXPECT_EQ(FlagsSet(request), std::vector<Flag>{Flag::kNone});
  EXPECT_TRUE(request.overlaySource.empty());
  EXPECT_TRUE(request.overlayTarget.empty());
  EXPECT_EQ(request.actionResult, 0);
  EXPECT_TRUE(request.portAddress.empty());
}

}  // namespace
}  // namespace jobhost
