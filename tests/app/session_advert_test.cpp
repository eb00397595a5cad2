// The session's advertising search against the loopback advertising server:
// the engine of the interface language, the key texts of a query, when the
// page is shown again, and what of the server's answer reaches the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "tests/app/page_session.h"
#include "tests/support/advert_pages.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using test::AdvertItem;

// The server comes before the program folder that names it.
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

// The English page templates, "miva.ini" named `mivaName`, "begun.ini" when
// asked.
struct TAdvertSession : TAdvertServer, test::TSessionFixture {
  explicit TAdvertSession(bool create = true, const std::string& mivaName = "miva", bool begun = true)
      : test::TSessionFixture(
            [&](test::TestProgram& p) {
              std::filesystem::copy(std::string(KESTRUNE_SOURCE_DIR) + "/data/templates/en",
                                    p.Program() + "templates/en", std::filesystem::copy_options::recursive);
              std::string miva = test::AdvertTemplate(server.Url(""), "miva");
              miva.replace(miva.find("hostname = \"miva\""), 17, "hostname = \"" + mivaName + "\"");
              test::WriteFileBytes(p.Program() + "templates/web/miva.ini", miva);
              if (begun) test::WriteFileBytes(p.Program() + "templates/web/begun.ini",
                                              test::AdvertTemplate(server.Url(""), "begun"));
            },
            create) {}
  // The result page (mode 5) of one document for the query, then the
  // advertising engine of the template.
  TKestruneSession& ResultPage(const char* advertTemplate, std::u16string_view query, std::u16string_view excluded = u"") {
    TKestruneSession& s = *session;
    test::AddDocuments(s, {{"http://a.example/", u"alpha beta"}});
    test::SetWords(s, kKindQuery, query);
    test::SetWords(s, kKindExcluded, excluded);
    s.Results.PageDocumentIds = {0};
    s.ShowResults(kEditNone, kPageModeChosen);
    s.SetAdvertEngine(advertTemplate);
    return s;
  }
  // The engine's run is over and what it posted has run.
  void Served() {
    if (session->Advert.AdvertEngine) {
      ASSERT_TRUE(session->Advert.AdvertEngine->WaitUntilIdle(10000));
    }
    while (view.RunQueued()) {
    }
  }
};

TEST(SessionAdvert, TheWindowStartsTheEngineOfTheLanguage) {
  struct Case {
    int32_t language;
    const char* mivaName;
    bool begun;
    std::string expected;  // empty: no engine
  } cases[] = {{0x0409, "MIVA", false, "miva"}, {0x0409, "Miva Ads", true, ""}, {0x0419, "miva", true, "begun"},
               {0x0419, "miva", false, ""},     {0x0407, "miva", true, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.language) + " " + c.mivaName);
    TAdvertSession f(false, c.mivaName, c.begun);
    f.session->Config.InterfaceLang = c.language;
    ASSERT_TRUE(f.Create());
    EXPECT_EQ(f.session->Advert.AdvertEngine ? f.session->Advert.AdvertEngine->TemplateName() : "", c.expected);
    EXPECT_EQ(f.session->Results.PageResults.Advertising != nullptr, !c.expected.empty());
  }
}

// English, Russian, another language, English again, as the options dialog
// asks: a ready call of the stopped engine shows nothing of the new one.
TEST(SessionAdvert, LanguageSwitchReloadsThenStops) {
  TAdvertSession f;
  TKestruneSession& s = f.ResultPage("miva", u"alpha");
  IOptionsHost& host = s;
  const TAmazonCom* engine = s.Advert.AdvertEngine.get();
  s.StartAdvertSearch(u"", 1);
  ASSERT_TRUE(s.Advert.AdvertEngine->WaitUntilIdle(10000));
  host.SetAdvertEngine("begun");
  EXPECT_EQ(s.Advert.AdvertEngine.get(), engine);
  EXPECT_EQ(s.Advert.AdvertEngine->ShownItemCount(), 0);
  host.StopAdvertEngine();
  EXPECT_EQ(s.Results.PageResults.Advertising, nullptr);
  host.SetAdvertEngine("miva");
  s.Advert.AdvertEngine->ProcessAdvertPage(u"key", test::WriteAdvertPage(f.items), "http://ads.example/");
  const int32_t written = f.view.pagesWritten;
  f.Served();
  EXPECT_EQ(f.view.pagesWritten, written);
}

TEST(SessionAdvert, KeyTextsOfTheQuery) {
  struct Case {
    const char* advertTemplate;
    std::u16string query, excluded, extra;
    const char* searchEngine;
    std::string expected;  // the request; empty: none
  } cases[] = {
      {"miva", u"alpha beta", u"gamma", u"", "Loopback", "/adv?kw=alpha+beta&sw=+-gamma&n=3"},
      {"miva", u"alpha", u"", u"delta", "Loopback", "/adv?kw=alpha+delta&sw=&n=3"},
      {"miva", u"alpha", u"gamma", u"-delta", "Loopback", "/adv?kw=alpha&sw=+-gamma+-delta&n=3"},
      {"begun", u"alpha beta", u"gamma", u"", "Loopback", "/begun?q=alpha%2c+beta%2c+gamma&n=3"},
      {"begun", u"alpha", u"", u"-delta", "Loopback", "/begun?q=alpha%2c+-delta&n=3"},
      {"miva", u"", u"gamma", u"delta", "Loopback", ""},
      {"miva", u"alpha", u"", u"", "MIVA", ""},  // the search engine named like the template
      {"begun", u"alpha", u"", u"", "Begun", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    TAdvertSession f;
    TKestruneSession& s = f.ResultPage(c.advertTemplate, c.query, c.excluded);
    s.Config.Settings.website = c.searchEngine;
    s.StartAdvertSearch(c.extra, 1);
    f.Served();
    EXPECT_EQ(f.server.LastRequest().target, c.expected);
  }
}

TEST(SessionAdvert, AdvertsReadyShowsOnlyTheResultPageNotWhileAnimating) {
  struct Case {
    bool queryWords, animating;
    int items;
    bool shown;
  } cases[] = {{true, false, 2, true}, {true, true, 2, false}, {false, false, 2, false}, {true, false, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.queryWords << c.animating << c.items);
    TAdvertSession f;
    TKestruneSession& s = f.ResultPage("miva", c.queryWords ? u"alpha" : u"");
    s.Advert.AdvertEngine->ProcessAdvertPage(
        u"key", test::WriteAdvertPage(test::NumberedAdverts(1, c.items, "http://ads.example")), "http://ads.example/");
    if (c.animating) f.map.state |= IMapViewOps::kStateAnimation;
    const int32_t written = f.view.pagesWritten;
    s.AdvertsReady();
    EXPECT_EQ(f.view.pagesWritten, written + (c.shown ? 1 : 0));
    EXPECT_EQ(f.view.page.find(u"Ad 1") != std::u16string::npos, c.shown);
  }
}

AdvertItem Item(const std::string& url, const std::string& title) { return {url, title, "t", "", "", ""}; }

TEST(SessionAdvert, TheServersItemsReachThePageEscapedAndCut) {
  const std::string long41 = "A123456789B123456789C123456789D123456789E";
  struct Case {
    const char* advertTemplate;
    std::vector<AdvertItem> items;
    std::string shown, notShown;
  } cases[] = {
      {"miva", {Item("http://ads.example/1", "&lt;script&gt;x&lt;/script&gt;")}, "&lt;script&gt;x", "<script>x"},
      {"miva", {Item("javascript:alert(1)", "Bad"), Item("http://ads.example/2", "Good")}, ">Good</a>",
       "javascript:"},
      {"miva", {Item("http://ads.example/1", long41)}, long41.substr(0, 40) + "...</a>", long41},
      {"begun", {Item("http://ads.example/1", long41)}, long41 + "</a>", long41.substr(0, 40) + "..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    TAdvertSession f;
    f.items = c.items;
    f.ResultPage(c.advertTemplate, u"alpha").StartAdvertSearch(u"", 1);
    f.Served();
    const std::string page = platform::Utf16ToUtf8(f.view.page);
    EXPECT_NE(page.find(c.shown), std::string::npos);
    EXPECT_EQ(page.find(c.notShown), std::string::npos);
  }
}

}  // namespace
}  // namespace kestrune
