// The search thread against the loopback engine.
#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/search/engine_test_support.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;
using test::LoopbackHttpServer;
using test::LoopbackTemplateOptions;
using test::NumberedItems;
using test::ResultItem;
using test::ResultPageOptions;
using test::WriteChangedLayoutPage;
using test::WriteResultPage;

// The number after "start=" in a query, 1 when absent.
int StartOf(const HttpRequestRecord& request) {
  const size_t at = request.query.find("start=");
  return at == std::string::npos ? 1 : std::atoi(request.query.c_str() + at + 6);
}

class SearchTest : public test::EngineTest {
 protected:
  // Loads the loopback engine's template into engine_ and asks for `wanted` links.
  void Prepare(int32_t wanted, LoopbackTemplateOptions options = {}) {
    WriteTemplate("local", test::LoopbackEngineTemplate(server_.Url(""), options));
    ASSERT_TRUE(engine_.LoadTemplate("local"));
    ASSERT_EQ(engine_.Status(), 0) << engine_.ErrorText();
    ASSERT_TRUE(engine_.SetUrlCount(wanted));
  }
  // Runs one search and waits for its end.
  void Run(std::u16string query = u"blue sky") {
    std::u16string first;
    ASSERT_TRUE(engine_.StartSearch(query, first));
    ASSERT_TRUE(engine_.WaitUntilIdle(10000));
  }
  std::vector<std::string> Targets() const {
    std::vector<std::string> targets;
    for (const HttpRequestRecord& r : server_.Requests()) targets.push_back(r.target);
    return targets;
  }
  bool Logged(const std::string& line) const {
    const std::vector<std::string> log = Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  }

  LoopbackHttpServer server_;
  EngineWeb engine_;
};

TEST_F(SearchTest, TwoPagesThirtyItemsAndTheLogOfTheRun) {
  const std::string base = server_.Url("");
  server_.Route("/search", [base](const HttpRequestRecord& r) {
    return HttpReply::Html(WriteResultPage(NumberedItems(StartOf(r), 25, base)));
  });
  Prepare(30);
  std::vector<int32_t> progress;
  engine_.OnProgress = [&progress](int32_t percent) { progress.push_back(percent); };
  std::atomic<int> done{0};
  engine_.OnSearchDone = [&] { done += engine_.Busy() ? 100 : 1; };
  std::u16string first;
  ClearLog();
  ASSERT_TRUE(engine_.StartSearch(u"blue sky", first));
  const std::string url1 = base + "/search?q=blue+sky&n=20";
  const std::string url2 = base + "/search?q=blue+sky&n=10&start=21&page=1";
  EXPECT_EQ(first, platform::Utf8ToUtf16(url1));
  ASSERT_TRUE(engine_.WaitUntilIdle(10000));

  EXPECT_EQ(engine_.Status(), 0);
  EXPECT_EQ(engine_.ItemCount(), 30);
  const TMetaSearchList2& results = engine_.SearchResults();
  ASSERT_EQ(results.size(), 30u);
  for (int i = 0; i < 30; ++i) {
    const std::string n = std::to_string(i + 1);
    const TMetaSearchList& item = results[static_cast<size_t>(i)];
    EXPECT_EQ(item.Url, base + "/doc" + n + ".html");
    EXPECT_EQ(item.Title, platform::Utf8ToUtf16("Title " + n));
    EXPECT_EQ(item.Annotation, platform::Utf8ToUtf16(" Snippet " + n + " about the query"));
    EXPECT_EQ(item.Label, n + " - LocalTest");
    EXPECT_EQ(item.QueryNumber, 1);
    EXPECT_EQ(item.ItemText,
              platform::Utf8ToUtf16("<a href=\"" + item.Url + "\">Title " + n +  // from the item's link
                                    "</a></h3><span class=\"snippet\">Snippet " + n + " about the query</span>"));
  }
  EXPECT_EQ(Targets(), (std::vector<std::string>{url1.substr(base.size()), url2.substr(base.size())}));
  // Progress after every item but the one that fills a page and the last.
  ASSERT_EQ(progress.size(), 28u);
  EXPECT_EQ(progress.front(), 3);
  EXPECT_EQ(progress.back(), 93);
  for (int i = 0; i < 1000 && done.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(done.load(), 1);  // once, after busy fell

  std::vector<std::string> expected = {"Connected to :" + url1, "Reply from: " + url1};
  for (int i = 1; i <= 20; ++i)
    expected.push_back("Add url : " + base + "/doc" + std::to_string(i) + ".html, found on LocalTest");
  expected.insert(expected.end(), {"Count url : 20", "Connected to :" + url2, "Reply from: " + url2});
  for (int i = 21; i <= 30; ++i)
    expected.push_back("Add url : " + base + "/doc" + std::to_string(i) + ".html, found on LocalTest");
  expected.insert(expected.end(), {"Count url : 30", "MetaSearch finished .Count url : 30"});
  EXPECT_EQ(Log(), expected);

  // The next search counts on; the seen URLs were forgotten.
  ASSERT_TRUE(engine_.SetUrlCount(30));
  Run();
  EXPECT_EQ(engine_.ItemCount(), 30);
  EXPECT_EQ(engine_.SearchResults()[0].QueryNumber, 2);
}

TEST_F(SearchTest, PageOfRepeatsEndsTheSearch) {
  const std::string base = server_.Url("");
  server_.Route("/search", [base](const HttpRequestRecord& r) {
    return HttpReply::Html(WriteResultPage(NumberedItems(1, StartOf(r) == 1 ? 10 : 3, base)));
  });
  Prepare(30, LoopbackTemplateOptions().Counts("10"));
  Run();
  EXPECT_EQ(engine_.ItemCount(), 10);
  EXPECT_EQ(server_.RequestCount(), 2u);
  EXPECT_TRUE(Logged("Repeat url : " + base + "/doc3.html, found on LocalTest"));
  EXPECT_TRUE(Logged("CountRepeatedUrl=CountUrlFromCurrentPage. Stop Downloading "));
}

TEST_F(SearchTest, RelativeLinksKeepThePort) {
  const std::string base = server_.Url("");
  const std::vector<ResultItem> items = {{"/doc1.html", "One", "s"},
                                         {"a.html", "Dropped", "s"},
                                         {"../up.html", "Two", "s"},
                                         {"javascript:go('http://t.example/')", "Dropped", "s"},
                                         {"./here.html", "Three", "s"},
                                         {"//other.example/x", "Four", "s"},
                                         {"go?u=http://t.example/", "Five", "s"}};
  server_.Route("/search", HttpReply::Html(WriteResultPage(items)));
  Prepare(10, LoopbackTemplateOptions().NoNextQuery());
  Run();
  std::vector<std::string> urls;
  for (const TMetaSearchList& item : engine_.SearchResults()) urls.push_back(item.Url);
  EXPECT_EQ(urls, (std::vector<std::string>{base + "/doc1.html", base + "/up.html", base + "/here.html",
                                            "http://other.example/x", base + "/go?u=http://t.example/"}));
}

TEST_F(SearchTest, XmlAnswers) {
  const std::string base = server_.Url("");
  server_.Route("/search", HttpReply::Text(test::WriteXmlResultPage(NumberedItems(1, 4, base))));
  Prepare(10, LoopbackTemplateOptions().NoNextQuery().Xml());
  Run();
  ASSERT_EQ(engine_.ItemCount(), 4);
  EXPECT_EQ(engine_.SearchResults()[3].Url, base + "/doc4.html");
  EXPECT_EQ(engine_.SearchResults()[3].Title, u"Title 4");
  EXPECT_EQ(engine_.SearchResults()[3].Annotation, u" Snippet 4 about the query");
}

TEST_F(SearchTest, ChangedLayoutIsRecoveredOnEveryPage) {
  const std::string base = server_.Url("");
  server_.Route("/search", [base](const HttpRequestRecord& r) {
    return HttpReply::Html(WriteChangedLayoutPage(NumberedItems(StartOf(r), 10, base)));
  });
  Prepare(20, LoopbackTemplateOptions().Counts("10"));
  ClearLog();
  Run();
  EXPECT_EQ(engine_.Status(), 0);
  ASSERT_EQ(engine_.ItemCount(), 20);
  for (int i = 0; i < 20; ++i) {
    const std::string n = std::to_string(i + 1);
    const TMetaSearchList& item = engine_.SearchResults()[static_cast<size_t>(i)];
    EXPECT_EQ(item.Url, base + "/doc" + n + ".html");
    EXPECT_EQ(item.Title, platform::Utf8ToUtf16("Title " + n + " with a longer heading"));
    EXPECT_NE(item.Annotation.find(platform::Utf8ToUtf16("Snippet " + n + " about the query")), std::u16string::npos);
    EXPECT_EQ(item.Label, n + " - LocalTest");
  }
  EXPECT_EQ(Targets()[1], "/search?q=blue+sky&n=10&start=11&page=1");
  const std::vector<std::string> log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Start correcting temlate for LocalTest"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "Stop MetaSearch in  procedure EngineWeb.GetBordersTagsResults because BeginTag is not found."),
            1);  // the second page went to the recovery at once
}

TEST_F(SearchTest, FailedDownloads) {
  const std::string base = server_.Url("");
  struct Case {
    const char* name;
    std::function<void(LoopbackHttpServer&)> routes;
    bool closedPort;
    int32_t status;
    std::string error;
    int32_t items;
    std::string logged;
  } cases[] = {
      {"404 on page 1", [](LoopbackHttpServer& s) { s.Route("/search", HttpReply::Status(404, "gone")); }, false, 2,
       "No Internet connection.", 0, "No Internet connection."},
      {"closed port on page 1", [](LoopbackHttpServer&) {}, true, 2, "No Internet connection.", 0,
       "No Internet connection."},
      {"404 on page 2",
       [base](LoopbackHttpServer& s) {
         s.Route("/search", [base](const HttpRequestRecord& r) {
           return StartOf(r) == 1 ? HttpReply::Html(WriteResultPage(NumberedItems(1, 10, base)))
                                  : HttpReply::Status(404, "gone");
         });
       },
       false, 0, "", 10, "No Internet connection."},
      {"empty body", [](LoopbackHttpServer& s) { s.Route("/search", HttpReply::Html("")); }, false, 0, "", 0,
       "Size file 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.routes(server_);
    WriteTemplate("local", test::LoopbackEngineTemplate(c.closedPort ? server_.ClosedPortUrl("") : base,
                                                        LoopbackTemplateOptions().Counts("10")));
    engine_.LoadTemplate("local");
    engine_.SetUrlCount(20);
    ClearLog();
    Run();
    EXPECT_EQ(engine_.Status(), c.status);
    EXPECT_EQ(engine_.ErrorText(), c.error);
    EXPECT_EQ(engine_.ItemCount(), c.items);
    EXPECT_EQ(engine_.SearchResults().size(), static_cast<size_t>(c.items));
    EXPECT_TRUE(Logged(c.logged));
  }
}

TEST_F(SearchTest, StopDuringASlowBody) {
  const std::string base = server_.Url("");
  server_.Route("/search",
                HttpReply::Html(WriteResultPage(NumberedItems(1, 10, base), ResultPageOptions().PadTo(200000)))
                    .Slow(1000, std::chrono::milliseconds(20)));
  Prepare(20);
  engine_.StopSearch();  // idle: nothing happens
  EXPECT_FALSE(engine_.Busy());
  std::u16string first;
  ASSERT_TRUE(engine_.StartSearch(u"q", first));
  ASSERT_TRUE(server_.WaitForRequests(1));
  EXPECT_TRUE(engine_.Busy());
  EXPECT_FALSE(engine_.LoadTemplate("local"));
  EXPECT_FALSE(engine_.SetUrlCount(5));
  EXPECT_FALSE(engine_.StartSearch(u"q", first));
  EXPECT_FALSE(engine_.Reset());
  EXPECT_EQ(engine_.ProcessPage("<p>", "http://h/"), -1);
  ClearLog();
  engine_.StopSearch();
  EXPECT_TRUE(engine_.WaitUntilIdle(1000));
  EXPECT_EQ(engine_.Status(), 0);
  EXPECT_EQ(engine_.ErrorText(), "");
  EXPECT_EQ(engine_.ItemCount(), 0);
  const std::vector<std::string> log = Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].rfind("Stop MetaSearch in thread - ", 0), 0u);
  EXPECT_EQ(log.back(), "MetaSearch finished .Count url : 0");
  EXPECT_EQ(engine_.EngineName(), "LocalTest");
  EXPECT_TRUE(engine_.Reset());
  EXPECT_EQ(engine_.EngineName(), "");
}

}  // namespace
}  // namespace kestrune
