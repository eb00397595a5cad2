// How a search's download ended, through the session and the real search
// worker against the loopback engine: a silent engine, an error answer, an
// answer cut off, a closed port and Stop each give their own words on the
// page; the items of the pages read whole before stay; the map keeps the
// query word. A template the engine cannot use says why.
#include <filesystem>
#include <functional>

#include "app/engine_web_adapter.h"
#include "core/message_strings.h"
#include "platform/text.h"
#include "tests/app/loopback_search.h"
#include "tests/support/reply_gate.h"
#include "tests/support/temp_dir.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;

// The first page (20 items) and the second (10), as the loopback engine
// serves them.
HttpReply NormalPage(const std::string& base, bool second) {
  return HttpReply::Html(test::WriteResultPage(test::NumberedItems(second ? 21 : 1, second ? 10 : 20, base)));
}

TEST(SessionSearchEnd, EachFailureSaysWhatHappenedAndKeepsTheEarlierPages) {
  enum Page { kNormal, kSilent, kError500, kCut, kHeldForStop };
  const std::u16string early = u" " + MessageStrings.smSearchEndedEarly;
  const struct {
    const char* name;
    Page first, second;
    bool closedPort;
    size_t documents;
    int32_t mode;
    std::u16string notice;
  } cases[] = {
      {"complete", kNormal, kNormal, false, 30, 5, u""},
      {"silent engine", kSilent, kNormal, false, 0, 2, MessageStrings.smEngineTimedOut},
      {"500 on page 1", kError500, kNormal, false, 0, 2,
       u"The search engine answered with an error (HTTP status 500)."},
      {"closed port", kNormal, kNormal, true, 0, 2, MessageStrings.smEngineUnreachable},
      {"500 on page 2", kNormal, kError500, false, 20, 5,
       u"The search engine answered with an error (HTTP status 500)." + early},
      {"silent page 2", kNormal, kSilent, false, 20, 5, MessageStrings.smEngineTimedOut + early},
      {"cut on page 2", kNormal, kCut, false, 20, 5, MessageStrings.smEngineAnswerCut + early},
      {"stopped during page 2", kNormal, kHeldForStop, false, 20, 5, MessageStrings.smSearchStopped + early},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const test::ScopedEnv timeout(kReceiveTimeoutVariable, "300");
    test::TLoopbackSearch t;
    ASSERT_TRUE(t.created);
    test::ReplyGate gate;
    const std::string base = t.server.Url("");
    auto reply = [&](Page page, bool second) -> test::LoopbackHttpServer::Handler {
      switch (page) {
        case kSilent: return [](const HttpRequestRecord&) { return HttpReply::Silent(); };
        case kError500:
          // The error page holds result items of the engine's own layout:
          // they are never taken.
          return [base](const HttpRequestRecord&) {
            return HttpReply::Html(test::WriteResultPage(test::NumberedItems(50, 10, base)), 500);
          };
        case kCut:
          return [base, second](const HttpRequestRecord&) {
            return NormalPage(base, second).WithFraming(test::BodyFraming::kShort, 100000);
          };
        case kHeldForStop: return gate.Hold(NormalPage(base, second));
        default: return [base, second](const HttpRequestRecord&) { return NormalPage(base, second); };
      }
    };
    const test::LoopbackHttpServer::Handler first = reply(c.first, false), second = reply(c.second, true);
    t.server.Route("/search", [first, second](const HttpRequestRecord& r) {
      return r.query.find("start=") == std::string::npos ? first(r) : second(r);
    });
    if (c.closedPort) {
      test::WriteEngineTemplate(t.program.Program(), "loopback",
                                test::LoopbackEngineTemplate(t.server.ClosedPortUrl(""),
                                                             test::LoopbackTemplateOptions().HostName("Loopback")));
      t.session->Run.Engine->LoadTemplate("loopback");
    }
    // Stop is pressed once the second page is outstanding.
    t.view.OnProgressShown = [&](int32_t) {
      if (c.second != kHeldForStop || t.session->Run.StopRequested || !gate.WaitForHeld(1)) return;
      t.session->BtnStopClick();
    };

    TKestruneSession& s = *t.session;
    t.Search(u"query");
    EXPECT_EQ(s.Project.Documents.size(), c.documents);
    EXPECT_EQ(s.Results.LastPageMode, c.mode);
    EXPECT_EQ(s.Results.PageResults.SearchNotice, c.notice);
    EXPECT_EQ(s.Run.Engine->Status(), ISearchEngine::kStatusOk);  // ready for the next search
    const int32_t query = t.WordId(u"query");
    EXPECT_TRUE(std::any_of(s.ContentMap.Keys().begin(), s.ContentMap.Keys().end(),
                            [query](const TKey& key) { return key.Id == query; }));
    // A change of the words is a new step: its page no longer speaks of it.
    s.SaveKeysUndoState();
    s.ShowResults(-2, 0);
    EXPECT_EQ(s.Results.PageResults.SearchNotice, s.Results.LastPageMode == 2 ? MessageStrings.smEngineUnreachable : u"");
    gate.Release();
  }
}

// The line of a text that begins with `start`, counted from 1.
int LineOf(const std::string& text, std::string_view start) {
  int line = 1;
  for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1, ++line) {
    if (text.compare(at, start.size(), start) == 0) return line;
    if (text.find('\n', at) == std::string::npos) break;
  }
  return 0;
}

std::string Replaced(std::string text, std::string_view what, std::string_view with) {
  const size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

// A template the engine cannot use sends nothing; the page names its file and
// says why, as it says why a connection failed.
TEST(SessionSearchEnd, ATemplateThatCannotBeUsedSaysWhyAndSendsNothing) {
  const auto badLine = [](int line) {
    return FillPlaceholders(MessageStrings.smTemplateBadLine, {platform::Utf8ToUtf16(std::to_string(line))});
  };
  const auto missing = [](std::u16string_view key) {
    return FillPlaceholders(MessageStrings.smTemplateKeyMissing, {key});
  };
  const struct {
    const char* name;
    std::function<std::string(const std::string&)> text;  // the good template in, the odd one out; null: no file
    std::function<std::u16string(const std::string&)> reason;  // of the good template
  } cases[] = {
      {"no file", nullptr, [](const std::string&) { return MessageStrings.smTemplateUnreadable; }},
      {"a page count of 0",
       [](const std::string& t) { return Replaced(t, "CountUrlOnSite = 20,10", "CountUrlOnSite = 0"); },
       [&](const std::string& t) { return badLine(LineOf(t, "CountUrlOnSite")); }},
      {"a tag pattern that is no tag",
       [](const std::string& t) { return Replaced(t, "EndItemTag = \"</li>\"", "EndItemTag = li"); },
       [&](const std::string& t) { return badLine(LineOf(t, "EndItemTag")); }},
      {"no page count as small as the links wanted",
       [](const std::string& t) { return Replaced(t, "CountUrlOnSite = 20,10", "CountUrlOnSite = 100"); },
       [](const std::string&) { return FillPlaceholders(MessageStrings.smTemplateBadValue, {u"CountUrlOnSite"}); }},
      {"no title tag", [](const std::string& t) { return Replaced(t, "BeginItemTitleTag = \"<a>\"\n", ""); },
       [&](const std::string&) { return missing(u"BeginItemTitleTag"); }},
      {"tab-indented lines",
       [](const std::string& t) {
         std::string indented;
         for (size_t at = 0; at < t.size();) {
           const size_t end = t.find('\n', at);
           const std::string line = t.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
           indented += (line.starts_with("[") || line.starts_with(";") ? "" : "\t") + line;
           at = end == std::string::npos ? t.size() : end + 1;
         }
         return indented;
       },
       [&](const std::string&) { return missing(u"MainQuery"); }},
      {"a UTF-16 file",
       [](const std::string& t) {
         std::string wide = "\xFF\xFE";
         for (char c : t) wide += std::string{c, '\0'};
         return wide;
       },
       [&](const std::string&) { return missing(u"MainQuery"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TLoopbackSearch t;
    ASSERT_TRUE(t.created);
    TKestruneSession& s = *t.session;
    const std::string good =
        test::LoopbackEngineTemplate(t.server.Url(""), test::LoopbackTemplateOptions().HostName("Loopback"));
    const std::string file = t.program.Program() + "templates/web/loopback.ini";
    if (c.text) {
      test::WriteEngineTemplate(t.program.Program(), "loopback", c.text(good));
    } else {
      std::filesystem::remove(file);
    }
    s.Run.Engine->LoadTemplate("loopback");
    t.Search(u"query");
    EXPECT_EQ(t.server.RequestCount(), 0u);
    EXPECT_TRUE(s.Project.Documents.empty());
    EXPECT_EQ(s.Results.LastPageMode, 2);
    const std::u16string notice =
        FillPlaceholders(MessageStrings.smTemplateRefused, {platform::Utf8ToUtf16(file)}) + u" " +
        c.reason(good);
    EXPECT_EQ(s.Results.PageResults.SearchNotice, notice);
    // With documents of earlier searches on the page, the same words, and
    // no word of a search that ended early.
    EXPECT_EQ(TSearchRun::SearchEndText(s.Run.SearchEnd, true), notice);
    EXPECT_EQ(s.Run.Engine->Status(), ISearchEngine::kStatusOk);  // ready for the next search
  }
}

TEST(SessionSearchEnd, TheReceiveTimeOutFromTheEnvironment) {
  const struct {
    const char* value;
    int32_t ms;
  } cases[] = {{"2000", 2000}, {"1", 1}, {"600000", 600000}, {"600001", 0}, {"0", 0},
               {"", 0},        {"2s", 0}, {"-5", 0},        {"99999999999999999999", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const test::ScopedEnv variable(kReceiveTimeoutVariable, c.value);
    EXPECT_EQ(ReceiveTimeoutFromEnvironment(), c.ms);
  }
}

}  // namespace
}  // namespace kestrune
