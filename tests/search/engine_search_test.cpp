// The search thread against the loopback engine.
#include <atomic>
#include <thread>

#include "tests/search/engine_test_support.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;
using test::LoopbackTemplateOptions;
using test::NumberedItems;
using test::StartOf;

std::u16string U(const std::string& text) { return platform::Utf8ToUtf16(text); }

class SearchTest : public test::EngineTest {
 protected:
  // Serves `count` items from "start=" on, in the engine's layout or a changed one.
  void ServeItems(int count, bool changed = false) {
    const std::string base = server_.Url("");
    server_.Route("/search", [=](const HttpRequestRecord& r) {
      const auto items = NumberedItems(StartOf(r), count, base);
      return HttpReply::Html(changed ? test::WriteChangedLayoutPage(items) : test::WriteResultPage(items));
    });
  }
  void Prepare(int32_t wanted, const LoopbackTemplateOptions& options = {}, const std::string& base = "") {
    WriteTemplate("local", test::LoopbackEngineTemplate(base.empty() ? server_.Url("") : base, options));
    ASSERT_TRUE(engine_.LoadTemplate("local"));
    ASSERT_TRUE(engine_.SetUrlCount(wanted));
    ClearLog();
  }
  void Run() {
    std::u16string first;
    ASSERT_TRUE(engine_.StartSearch(u"blue sky", first));
    ASSERT_TRUE(engine_.WaitUntilIdle(10000));
  }
  std::vector<std::string> Urls() const {
    EXPECT_EQ(engine_.SearchResults().size(), static_cast<size_t>(engine_.ItemCount()));
    return test::ItemUrls(engine_);
  }
  std::vector<std::string> DocUrls(int first, int count) const { return test::DocUrls(server_.Url(""), first, count); }

  test::LoopbackHttpServer server_;
  EngineWeb engine_;
};

TEST_F(SearchTest, TwoPagesThirtyItemsAndTheLogOfTheRun) {
  ServeItems(25);
  Prepare(30);
  std::vector<int32_t> progress;
  engine_.OnProgress = [&progress](int32_t percent) { progress.push_back(percent); };
  std::atomic<int> done{0};
  engine_.OnSearchDone = [&] { done += engine_.Busy() ? 100 : 1; };
  std::u16string first;
  ASSERT_TRUE(engine_.StartSearch(u"blue sky", first));
  ASSERT_TRUE(engine_.WaitUntilIdle(10000));
  const std::string url1 = server_.Url("/search?q=blue+sky&n=20");
  const std::string url2 = server_.Url("/search?q=blue+sky&n=10&start=21&page=1");
  EXPECT_EQ(first, U(url1));
  EXPECT_EQ(engine_.Status(), 0);
  EXPECT_EQ(Urls(), DocUrls(1, 30));
  for (int i = 0; i < 30; ++i) {
    const std::string n = std::to_string(i + 1);
    const TMetaSearchList& item = engine_.SearchResults()[static_cast<size_t>(i)];
    EXPECT_EQ(item.Title, U("Title " + n));
    EXPECT_EQ(item.Annotation, U(" Snippet " + n + " about the query"));
    EXPECT_EQ(item.Label, n + " - LocalTest");
    EXPECT_EQ(item.QueryNumber, 1);
    // The item's source from its link, where the cursor stood, to its end.
    EXPECT_EQ(item.ItemText, U("<a href=\"" + item.Url + "\">Title " + n + "</a></h3><span class=\"snippet\">Snippet " +
                               n + " about the query</span>"));
  }
  const std::vector<HttpRequestRecord> requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(server_.Url(requests[0].target), url1);
  EXPECT_EQ(server_.Url(requests[1].target), url2);
  ASSERT_EQ(progress.size(), 28u);  // not for the item that fills a page, nor the last
  EXPECT_EQ(progress.back(), 93);
  for (int i = 0; i < 1000 && done.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(done.load(), 1);  // once, after busy fell

  std::vector<std::string> expected = {"Connected to :" + url1, "Reply from: " + url1};
  for (int i = 1; i <= 30; ++i) {
    if (i == 21) expected.insert(expected.end(), {"Count url : 20", "Connected to :" + url2, "Reply from: " + url2});
    expected.push_back("Add url : " + DocUrls(i, 1)[0] + ", found on LocalTest");
  }
  expected.insert(expected.end(), {"Count url : 30", "MetaSearch finished .Count url : 30"});
  EXPECT_EQ(Log(), expected);
}

TEST_F(SearchTest, PagesAndLayouts) {
  const std::string base = server_.Url("");
  // Page 2 repeats three items of page 1: the search ends there.
  server_.Route("/search", [base](const HttpRequestRecord& r) {
    return HttpReply::Html(test::WriteResultPage(NumberedItems(1, StartOf(r) == 1 ? 10 : 3, base)));
  });
  Prepare(30, LoopbackTemplateOptions().Counts("10"));
  Run();
  EXPECT_EQ(Urls(), DocUrls(1, 10));
  EXPECT_EQ(server_.RequestCount(), 2u);
  EXPECT_TRUE(Logged("Repeat url : " + base + "/doc3.html, found on LocalTest"));
  EXPECT_TRUE(Logged("CountRepeatedUrl=CountUrlFromCurrentPage. Stop Downloading "));

  // Relative links keep the page's port.
  server_.Route("/search", HttpReply::Html(test::WriteResultPage({{"/doc1.html", "a", "s"},
                                                                  {"a.html", "dropped", "s"},
                                                                  {"../doc2.html", "b", "s"},
                                                                  {"./doc3.html", "c", "s"},
                                                                  {"javascript:go('http://t.example/')", "d", "s"},
                                                                  {"go?u=http://t.example/", "e", "s"}})));
  Prepare(10, LoopbackTemplateOptions().NoNextQuery());
  Run();
  EXPECT_EQ(Urls(), (std::vector<std::string>{base + "/doc1.html", base + "/doc2.html", base + "/doc3.html",
                                              base + "/go?u=http://t.example/"}));

  // XML answers.
  server_.Route("/search", HttpReply::Text(test::WriteXmlResultPage(NumberedItems(1, 4, base))));
  Prepare(10, LoopbackTemplateOptions().NoNextQuery().Xml());
  Run();
  EXPECT_EQ(Urls(), DocUrls(1, 4));
  EXPECT_EQ(engine_.SearchResults()[3].Title, u"Title 4");
  EXPECT_EQ(engine_.SearchResults()[3].Annotation, u" Snippet 4 about the query");

  // A changed layout: the recovery takes page 1, and page 2 goes to it at once.
  ServeItems(10, true);
  Prepare(20, LoopbackTemplateOptions().Counts("10"));
  Run();
  EXPECT_EQ(engine_.Status(), 0);
  EXPECT_EQ(Urls(), DocUrls(1, 20));
  const TMetaSearchList& item = engine_.SearchResults()[12];
  EXPECT_EQ(item.Title, u"Title 13 with a longer heading");
  EXPECT_NE(item.Annotation.find(u"Snippet 13 about the query"), std::u16string::npos);
  EXPECT_EQ(item.Label, "13 - LocalTest");
  const std::vector<std::string> log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Start correcting temlate for LocalTest"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "Stop MetaSearch in  procedure EngineWeb.GetBordersTagsResults because BeginTag is not found."),
            1);
}

TEST_F(SearchTest, FailedDownloads) {
  const std::string base = server_.Url("");
  const HttpReply page1 = HttpReply::Html(test::WriteResultPage(NumberedItems(1, 10, base)));
  // An error answer is a failed page, never a result page: its body (here a
  // page of the engine's own layout) is not read.
  const HttpReply error500 = HttpReply::Html(test::WriteResultPage(NumberedItems(50, 10, base)), 500);
  const HttpReply cut = HttpReply::Html(test::WriteResultPage(NumberedItems(11, 10, base)))
                            .WithFraming(test::BodyFraming::kShort, 100000);
  const std::string unreachable = "No Internet connection.";
  using F = TDownloadFailure;
  const struct {
    const char* name;
    HttpReply first, second;
    bool closedPort;
    int32_t status;
    int32_t items;
    TDownloadFailure failure;
    int32_t httpStatus;
    std::string logged;
  } cases[] = {
      {"404 on page 1", HttpReply::Status(404, "gone"), page1, false, 2, 0, F::HttpError, 404,
       "The engine answered with the status 404."},
      {"closed port", page1, page1, true, 2, 0, F::Unreachable, 0, unreachable},
      {"404 on page 2", page1, HttpReply::Status(404, "gone"), false, 0, 10, F::HttpError, 404,
       "The engine answered with the status 404."},
      {"500 on page 1", error500, page1, false, 2, 0, F::HttpError, 500, "The engine answered with the status 500."},
      {"503 on page 2", page1, HttpReply::Status(503, "busy"), false, 0, 10, F::HttpError, 503,
       "The engine answered with the status 503."},
      {"cut on page 1", cut, page1, false, 2, 0, F::Cut, 200, "The engine's answer broke off."},
      {"cut on page 2", page1, cut, false, 0, 10, F::Cut, 200, "The engine's answer broke off."},
      {"empty body", HttpReply::Html(""), page1, false, 0, 0, F::None, 200, "Size file 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Route("/search", c.second);
    server_.Route("/search?q=blue+sky&n=10", c.first);
    Prepare(20, LoopbackTemplateOptions().Counts("10"), c.closedPort ? server_.ClosedPortUrl("") : "");
    Run();
    EXPECT_EQ(engine_.Status(), c.status);
    EXPECT_EQ(engine_.ErrorText(), c.status ? c.logged : "");
    EXPECT_EQ(engine_.SearchResults().size(), static_cast<size_t>(c.items));
    EXPECT_EQ(engine_.DownloadFailure(), c.failure);
    if (c.failure == F::HttpError) {
      EXPECT_EQ(engine_.DownloadFailureStatus(), c.httpStatus);
    }
    EXPECT_TRUE(Logged(c.logged));
  }
}

// A page over the reader's limit (announced, or more bytes than that) ends the
// search with status 3 and "The page is too large"; what earlier pages gave
// stays.
TEST_F(SearchTest, PageOverTheLimitEndsTheSearch) {
  const std::string base = server_.Url("");
  const HttpReply page1 = HttpReply::Html(test::WriteResultPage(NumberedItems(1, 10, base)));
  HttpReply huge = HttpReply::Html(std::string(1000, 'x')).WithFraming(test::BodyFraming::kShort, 300u << 20);
  const struct {
    const char* name;
    HttpReply first, second;
    int32_t items;
  } cases[] = {
      {"the first page", huge, page1, 0},
      {"the second page", page1, huge, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Route("/search", c.second);
    server_.Route("/search?q=blue+sky&n=10", c.first);
    Prepare(20, LoopbackTemplateOptions().Counts("10"));
    Run();
    EXPECT_EQ(engine_.Status(), EngineWeb::kStatusError);
    EXPECT_EQ(engine_.ErrorText(), "The page is too large");
    EXPECT_EQ(Urls(), DocUrls(1, c.items));
    EXPECT_TRUE(Logged("The page is too large"));
    EXPECT_FALSE(Logged("No Internet connection."));
  }
}

// Links of a page reached through a redirect resolve against the page's own
// address on the other server.
TEST_F(SearchTest, LinksResolveAgainstTheAddressAfterARedirect) {
  test::LoopbackHttpServer other;
  const std::string final = other.Url("");
  const struct {
    std::string link;
    std::string stored;
  } cases[] = {
      {"/doc1.html", final + "/doc1.html"},
      {"./doc2.html", final + "/final/doc2.html"},
      {"../doc3.html", final + "/doc3.html"},
      {"//cdn.example/doc4.html", "http://cdn.example/doc4.html"},
      {"go?u=http://t.example/5", final + "/final/go?u=http://t.example/5"},
      {"http://t.example/6", "http://t.example/6"},
  };
  std::vector<test::ResultItem> items;
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    items.push_back({c.link, "Title", "Snippet"});
    expected.push_back(c.stored);
  }
  server_.Route("/search", HttpReply::Redirect(final + "/final/list.html"));
  other.Route("/final/list.html", HttpReply::Html(test::WriteResultPage(items)));
  Prepare(10, LoopbackTemplateOptions().NoNextQuery());
  Run();
  EXPECT_EQ(engine_.Status(), 0);
  EXPECT_EQ(Urls(), expected);
}

// A query URL whose query follows the host at once reaches the server, and
// "./" links resolve to the host's root.
TEST_F(SearchTest, QueryRightAfterTheHost) {
  const std::string base = server_.Url("");
  std::string text = test::LoopbackEngineTemplate(base, LoopbackTemplateOptions().NoNextQuery());
  text.replace(text.find("/search?q="), 10, "?q=");
  WriteTemplate("local", text);
  ASSERT_TRUE(engine_.LoadTemplate("local"));
  ASSERT_TRUE(engine_.SetUrlCount(10));
  server_.Route("/", HttpReply::Html(test::WriteResultPage({{"./doc1.html", "a", "s"}, {"/doc2.html", "b", "s"}})));
  Run();
  EXPECT_EQ(engine_.Status(), 0) << engine_.ErrorText();
  EXPECT_EQ(server_.LastRequest().target, "/?q=blue+sky&n=10");
  EXPECT_EQ(Urls(), DocUrls(1, 2));
}

TEST_F(SearchTest, StopDuringASlowBody) {
  server_.Route("/search", HttpReply::Html(test::WriteResultPage(NumberedItems(1, 10, server_.Url("")),
                                                                 test::ResultPageOptions().PadTo(200000)))
                               .Slow(1000, std::chrono::milliseconds(20)));
  Prepare(20);
  engine_.StopSearch();  // idle: nothing happens
  std::u16string first;
  ASSERT_TRUE(engine_.StartSearch(u"q", first));
  ASSERT_TRUE(server_.WaitForRequests(1));
  EXPECT_TRUE(engine_.Busy());
  EXPECT_FALSE(engine_.LoadTemplate("local"));  // refused while busy
  EXPECT_FALSE(engine_.SetUrlCount(5));
  EXPECT_FALSE(engine_.StartSearch(u"q", first));
  EXPECT_FALSE(engine_.Reset());
  EXPECT_EQ(engine_.ProcessPage("<p>", "http://h/"), -1);
  ClearLog();
  engine_.StopSearch();
  EXPECT_TRUE(engine_.WaitUntilIdle(1000));
  EXPECT_EQ(engine_.Status(), 0);  // a user's stop is no failure
  EXPECT_EQ(engine_.ErrorText(), "");
  EXPECT_TRUE(engine_.SearchResults().empty());
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(log[0].starts_with("Stop MetaSearch in thread - "));
  EXPECT_EQ(log[1], "MetaSearch finished .Count url : 0");
  EXPECT_TRUE(engine_.Reset());
  EXPECT_EQ(engine_.EngineName(), "");
}

}  // namespace
}  // namespace kestrune
