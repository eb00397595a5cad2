// The session's advertising search against the loopback advertising server:
// which engine the interface language starts, the key texts a query gives,
// when the page is shown again with the items, and what of the server's
// answer reaches the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "tests/app/page_session.h"
#include "tests/support/advert_pages.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using test::AddDocuments;
using test::AdvertItem;
using test::SetWords;

// The advertising server, made before the session's program folder. Every
// answer holds `items`.
struct TAdvertServer {
  TAdvertServer() {
    for (const char* path : {"/adv", "/begun"}) {
      server.Route(path, [this](const test::HttpRequestRecord&) {
        std::lock_guard lock(mutex);
        return test::HttpReply::Html(test::WriteAdvertPage(items));
      });
    }
  }
  test::LoopbackHttpServer server;
  std::mutex mutex;
  std::vector<AdvertItem> items = test::NumberedAdverts(1, 2, "http://ads.example");
};

// A session with the English page templates, "miva.ini" (display name
// `mivaName`) and, when asked, "begun.ini" among the engine templates.
class TAdvertSession : public TAdvertServer, public test::TSessionFixture {
 public:
  explicit TAdvertSession(bool create = true, const std::string& mivaName = "miva", bool begunFound = true)
      : test::TSessionFixture(
            [&](test::TestProgram& p) {
              std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/data/templates/en",
                                    p.Program() + "templates/en", std::filesystem::copy_options::recursive);
              std::string miva = test::AdvertTemplate(server.Url(""), "miva");
              miva.replace(miva.find("hostname = \"miva\""), 17, "hostname = \"" + mivaName + "\"");
              test::WriteFileBytes(p.Program() + "templates/web/miva.ini", miva);
              if (begunFound) {
                test::WriteFileBytes(p.Program() + "templates/web/begun.ini",
                                     test::AdvertTemplate(server.Url(""), "begun"));
              }
            },
            create) {
    session->ContentMap.SetMapSize(800, 600);
  }
  TKestruneSession& S() { return *session; }
  // The result page of one document for the query words: page mode 5.
  void ResultPage(std::u16string_view query, std::u16string_view excluded = u"") {
    AddDocuments(S(), {{"http://a.example/", u"alpha beta"}});
    SetWords(S(), kKindQuery, query);
    SetWords(S(), kKindExcluded, excluded);
    S().PageDocumentIds = {0};
    S().ShowResults(kEditNone, kPageModeChosen);
  }
  // The engine's run is over and what it posted has run.
  void Served() {
    if (S().AdvertEngine) ASSERT_TRUE(S().AdvertEngine->WaitUntilIdle(10000));
    while (view.RunQueued()) {
    }
  }
};

TEST(SessionAdvert, TheWindowsCreationStartsTheEngineOfTheLanguage) {
  struct Case {
    int32_t language;
    const char* mivaName;
    bool begunFound;
    std::string expected;  // the template, empty: no engine
  } cases[] = {
      {0x0409, "miva", true, "miva"},   {0x0409, "MIVA", false, "miva"}, {0x0409, "Miva Ads", true, ""},
      {0x0419, "miva", true, "begun"},  {0x0419, "miva", false, ""},     {0x0407, "miva", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.language) + " " + c.mivaName);
    TAdvertSession f(false, c.mivaName, c.begunFound);
    f.S().Config.InterfaceLang = c.language;
    ASSERT_TRUE(f.Create());
    EXPECT_EQ(f.S().AdvertEngine ? f.S().AdvertEngine->TemplateName() : "", c.expected);
    EXPECT_EQ(f.S().PageResults.Advertising != nullptr, !c.expected.empty());
  }
}

// English, then Russian, then another language, as the options dialog asks.
TEST(SessionAdvert, LanguageSwitchReloadsThenStopsAndStaleReadyCallsDoNothing) {
  TAdvertSession f;
  TKestruneSession& s = f.S();
  IOptionsHost& host = s;
  f.ResultPage(u"alpha");
  host.SetAdvertEngine("miva");
  const TAmazonCom* engine = s.AdvertEngine.get();
  s.StartAdvertSearch(u"", 1);
  ASSERT_TRUE(s.AdvertEngine->WaitUntilIdle(10000));
  ASSERT_EQ(s.AdvertEngine->ShownItemCount(), 2);

  host.SetAdvertEngine("begun");
  EXPECT_EQ(s.AdvertEngine.get(), engine);
  EXPECT_EQ(s.AdvertEngine->TemplateName(), "begun");
  EXPECT_EQ(s.AdvertEngine->ShownItemCount(), 0);  // what "miva" found is gone
  EXPECT_NE(s.PageResults.Advertising, nullptr);

  s.StartAdvertSearch(u"", 1);
  ASSERT_TRUE(s.AdvertEngine->WaitUntilIdle(10000));
  host.StopAdvertEngine();
  EXPECT_EQ(s.AdvertEngine, nullptr);
  EXPECT_EQ(s.PageResults.Advertising, nullptr);
  // A new engine with items: the ready call the stopped one posted does
  // not show them.
  host.SetAdvertEngine("miva");
  s.AdvertEngine->ProcessAdvertPage(u"key", test::WriteAdvertPage(f.items), "http://ads.example/");
  const int32_t written = f.view.pagesWritten;
  f.Served();
  EXPECT_EQ(f.view.pagesWritten, written);
  s.AdvertsReady();
  EXPECT_EQ(f.view.pagesWritten, written + 1);
}

TEST(SessionAdvert, KeyTextsOfTheQuery) {
  struct Case {
    const char* advertTemplate;
    std::u16string query, excluded, extra;
    const char* searchEngine;
    std::string expected;  // the request, empty: none
  } cases[] = {
      {"miva", u"alpha beta", u"gamma", u"", "Loopback", "/adv?kw=alpha+beta&sw=+-gamma&n=3"},
      {"miva", u"alpha", u"", u"delta", "Loopback", "/adv?kw=alpha+delta&sw=&n=3"},
      {"miva", u"alpha", u"gamma", u"-delta", "Loopback", "/adv?kw=alpha&sw=+-gamma+-delta&n=3"},
      // One text of both parts, which stay apart.
      {"begun", u"alpha beta", u"gamma", u"", "Loopback", "/begun?q=alpha%2c+beta%2c+gamma&n=3"},
      {"begun", u"alpha", u"", u"-delta", "Loopback", "/begun?q=alpha%2c+-delta&n=3"},
      {"miva", u"", u"gamma", u"delta", "Loopback", ""},
      // The search engine named like the advertising template.
      {"miva", u"alpha", u"", u"", "MIVA", ""},
      {"begun", u"alpha", u"", u"", "Begun", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    TAdvertSession f;
    TKestruneSession& s = f.S();
    f.ResultPage(c.query, c.excluded);
    s.Config.Settings.website = c.searchEngine;
    s.SetAdvertEngine(c.advertTemplate);
    s.StartAdvertSearch(c.extra, 1);
    f.Served();
    EXPECT_EQ(f.server.LastRequest().target, c.expected);
  }
}

TEST(SessionAdvert, TheSameQueryShowsTheCachedItemsAndNewQueryForgetsThem) {
  TAdvertSession f;
  TKestruneSession& s = f.S();
  f.ResultPage(u"alpha");
  s.SetAdvertEngine("miva");
  s.StartAdvertSearch(u"", 1);
  f.Served();
  const int32_t written = f.view.pagesWritten;
  s.StartAdvertSearch(u"", 1);  // shown again at once
  EXPECT_EQ(f.view.pagesWritten, written + 1);
  f.Served();
  EXPECT_EQ(f.server.RequestCount(), 1u);

  s.IBitmapButtonNewClick();
  f.ResultPage(u"alpha");
  s.StartAdvertSearch(u"", 1);
  f.Served();
  EXPECT_EQ(f.server.RequestCount(), 2u);
}

TEST(SessionAdvert, AdvertsReadyShowsThePageOnlyInResultModeAndNotWhileAnimating) {
  struct Case {
    const char* name;
    bool queryWords, animating;
    int items;
    bool shown;
  } cases[] = {
      {"result page", true, false, 2, true},
      {"animating", true, true, 2, false},
      {"no-query page", false, false, 2, false},
      {"no items", true, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TAdvertSession f;
    TKestruneSession& s = f.S();
    f.ResultPage(c.queryWords ? u"alpha" : u"");
    s.SetAdvertEngine("miva");
    s.AdvertEngine->ProcessAdvertPage(
        u"key", test::WriteAdvertPage(test::NumberedAdverts(1, c.items, "http://ads.example")), "http://ads.example/");
    if (c.animating) f.map.state |= IMapViewOps::kStateAnimation;
    const int32_t written = f.view.pagesWritten;
    s.AdvertsReady();
    EXPECT_EQ(f.view.pagesWritten, written + (c.shown ? 1 : 0));
    EXPECT_EQ(f.view.page.find(u"Ad 1") != std::u16string::npos, c.shown);
  }
}

TEST(SessionAdvert, WhatTheServerSendsReachesThePageEscapedAndCut) {
  const std::string long41 = "A123456789B123456789C123456789D123456789E";
  struct Case {
    const char* advertTemplate;
    std::vector<AdvertItem> items;
    std::string shown, notShown;
  } cases[] = {
      {"miva", {{"http://ads.example/1", "&lt;script&gt;x&lt;/script&gt;", "t"}}, "&lt;script&gt;x", "<script>x"},
      // A script address is no item.
      {"miva", {{"javascript:alert(1)", "Bad", "t"}, {"http://ads.example/2", "Good", "t"}}, ">Good</a>",
       "javascript:"},
      {"miva", {{"http://ads.example/1", long41, "t"}}, long41.substr(0, 40) + "...</a>", long41},
      {"begun", {{"http://ads.example/1", long41, "t"}}, long41 + "</a>", long41.substr(0, 40) + "..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    TAdvertSession f;
    TKestruneSession& s = f.S();
    f.items = c.items;
    f.ResultPage(u"alpha");
    s.SetAdvertEngine(c.advertTemplate);
    s.StartAdvertSearch(u"", 1);
    f.Served();
    const std::string page = platform::Utf16ToUtf8(f.view.page);
    EXPECT_NE(page.find(c.shown), std::string::npos);
    EXPECT_EQ(page.find(c.notShown), std::string::npos);
  }
}

}  // namespace
}  // namespace kestrune
