// The advertising engine against the loopback server: its cache by key
// text, requests during a run, resets, failures, the two ways of asking and
// its log.
#include <atomic>
#include <chrono>

#include "search/advert_engine.h"
#include "tests/search/engine_test_support.h"
#include "tests/support/advert_pages.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;

std::u16string U(const std::string& text) { return platform::Utf8ToUtf16(text); }

class AdvertEngineTest : public test::EngineTest {
 protected:
  AdvertEngineTest() {
    base_ = server_.Url("");
    for (const char* name : {"miva", "begun"}) WriteTemplate(name, test::AdvertTemplate(base_, name));
    Serve(5);
    engine_.OnAdvertsReady = [this] { ++hooks_; };
  }
  // Answers every request with `count` numbered items.
  void Serve(int count) {
    const std::string page = test::WriteAdvertPage(test::NumberedAdverts(1, count, base_));
    for (const char* path : {"/adv", "/begun"}) server_.Route(path, HttpReply::Html(page));
  }
  void Use(const char* name) {
    ASSERT_TRUE(engine_.UseTemplate(name));
    ClearLog();
  }
  void Ask(std::u16string_view words, std::u16string_view stops = u"") {
    ASSERT_TRUE(engine_.StartKeyWordSearch(words, stops));
    ASSERT_TRUE(engine_.WaitUntilIdle(10000));
  }
  std::vector<std::string> ShownTitles() const {
    TParsePage page;
    std::vector<std::string> titles;
    if (!engine_.GetCurrentPage(page)) return {"none"};
    EXPECT_EQ(page.Items.size(), static_cast<size_t>(page.ItemCount));
    for (const TMetaSearchList& item : page.Items) titles.push_back(platform::Utf16ToUtf8(item.Title));
    return titles;
  }
  static std::vector<std::string> Titles(int first, int count) {
    std::vector<std::string> titles;
    for (int n = first; n < first + count; ++n) titles.push_back("Ad " + std::to_string(n));
    return titles;
  }

  test::LoopbackHttpServer server_;
  std::string base_;
  TAmazonCom engine_;
  std::atomic<int> hooks_{0};
};

TEST_F(AdvertEngineTest, SameKeyTwiceDownloadsOnceAndTheHookRunsTwice) {
  Use("miva");
  Ask(u"blue sky", u" -red");
  Ask(u"blue sky", u" -red");
  EXPECT_EQ(server_.RequestCount(), 1u);
  EXPECT_EQ(hooks_.load(), 2);
  EXPECT_EQ(ShownTitles(), Titles(1, 3));  // five items on the page give three
  EXPECT_EQ(engine_.ShownItemCount(), 3);
  EXPECT_EQ(engine_.KeyText(), u"blue sky -red");
  TParsePage page;
  ASSERT_TRUE(engine_.GetCurrentPage(page));
  const TMetaSearchList& first = page.Items[0];
  EXPECT_EQ(first.Url, base_ + "/ad1.html");
  EXPECT_EQ(first.Annotation, u" Offer 1 for you");
  EXPECT_EQ(first.ItemText,
            U("<a href=\"" + base_ + "/ad1.html\">Ad 1</a></h3><span class=\"snippet\">Offer 1 for you</span>"));
  EXPECT_TRUE(first.Label.empty());
  EXPECT_NE(page.PageText.find(u"<ol class=\"results\">"), std::u16string::npos);

  const std::string url = base_ + "/adv?kw=blue+sky&sw=+-red&n=3";
  std::vector<std::string> expected = {"TAdvertisement.Execute Connected to :" + url,
                                       "TAdvertisement.Execute Reply from: " + url + " or blue+sky+-red"};
  for (int n = 1; n <= 3; ++n) {
    expected.push_back("TAdvertisement Add url : " + base_ + "/ad" + std::to_string(n) + ".html, found on miva");
  }
  expected.push_back("TAdvertisement.Execute Count url : 3");
  EXPECT_EQ(Log(), expected);  // the second request wrote nothing
  engine_.Shutdown();
  EXPECT_TRUE(Logged("Finish MetaSearch on TAdvertisement"));
}

TEST_F(AdvertEngineTest, ARequestDuringARunIsServedBeforeTheWorkerWaits) {
  Use("miva");
  const std::string later = test::WriteAdvertPage(test::NumberedAdverts(7, 2, base_));
  const std::string first = test::WriteAdvertPage(test::NumberedAdverts(1, 3, base_));
  server_.Route("/adv", [=](const HttpRequestRecord& r) {
    if (r.query.find("kw=first") != std::string::npos) {
      return HttpReply::Html(first).DelayHead(std::chrono::milliseconds(300));
    }
    return HttpReply::Html(later);
  });
  ASSERT_TRUE(engine_.StartKeyWordSearch(u"first", u""));
  ASSERT_TRUE(server_.WaitForRequests(1));
  ASSERT_TRUE(engine_.StartKeyWordSearch(u"second", u""));
  ASSERT_TRUE(engine_.WaitUntilIdle(10000));
  ASSERT_EQ(server_.RequestCount(), 2u);
  EXPECT_NE(server_.Requests()[1].query.find("kw=second"), std::string::npos);
  EXPECT_EQ(hooks_.load(), 2);
  EXPECT_EQ(ShownTitles(), Titles(7, 2));
  // The first key's answer was kept too.
  Ask(u"first");
  EXPECT_EQ(server_.RequestCount(), 2u);
  EXPECT_EQ(ShownTitles(), Titles(1, 3));
}

TEST_F(AdvertEngineTest, StopAndResetForgetsTheCacheAndTheLastKeyText) {
  Use("miva");
  Ask(u"one");
  Ask(u"two");
  Ask(u"one");
  EXPECT_EQ(server_.RequestCount(), 2u);
  engine_.StopAndReset();
  EXPECT_EQ(ShownTitles(), std::vector<std::string>{"none"});
  EXPECT_EQ(engine_.ShownItemCount(), 0);
  EXPECT_EQ(engine_.KeyText(), u"");
  Ask(u"one");
  EXPECT_EQ(server_.RequestCount(), 3u);
  EXPECT_EQ(ShownTitles(), Titles(1, 3));

  // A reset during a run: what the run brings is not shown, nor is a request
  // that waited.
  server_.Route("/adv", HttpReply::Html(test::WriteAdvertPage(test::NumberedAdverts(1, 3, base_)))
                            .DelayHead(std::chrono::milliseconds(200)));
  const int hooks = hooks_.load();
  ASSERT_TRUE(engine_.StartKeyWordSearch(u"three", u""));
  ASSERT_TRUE(server_.WaitForRequests(4));
  ASSERT_TRUE(engine_.StartKeyWordSearch(u"four", u""));
  engine_.StopAndReset();
  ASSERT_TRUE(engine_.WaitUntilIdle(10000));
  EXPECT_EQ(ShownTitles(), std::vector<std::string>{"none"});
  EXPECT_EQ(hooks_.load(), hooks);
  EXPECT_EQ(server_.RequestCount(), 4u);
}

TEST_F(AdvertEngineTest, AnswersThatFailAreFetchedAgainEmptyOnesStayCached) {
  Use("miva");
  const HttpReply good = HttpReply::Html(test::WriteAdvertPage(test::NumberedAdverts(1, 2, base_)));
  const struct {
    const char* name;
    HttpReply first;
    int32_t status;
    std::string logged;
    size_t requests;  // after the second request for the key
    std::vector<std::string> titles;  // shown after the second request
  } cases[] = {
      {"404", HttpReply::Status(404, "gone"), 2, "TAdvertisement.Execute No Internet connection.", 2, Titles(1, 2)},
      {"empty body", HttpReply::Html(""), 0, "TAdvertisement.Execute Size url 0", 1, {}},
      {"no items", HttpReply::Html("<html><body>nothing</body></html>"), 0, "TAdvertisement.Execute Count url : 0",
       1, {}},
  };
  int key = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.ClearRequests();
    server_.Route("/adv", c.first);
    const std::u16string words = u"key" + U(std::to_string(++key));
    const int hooks = hooks_.load();
    Ask(words);
    EXPECT_EQ(engine_.Status(), c.status);
    EXPECT_EQ(engine_.ErrorText(), c.status ? "No Internet connection." : "");
    EXPECT_TRUE(Logged(c.logged));
    EXPECT_EQ(hooks_.load(), hooks + 1);  // the hook runs after a failure too
    EXPECT_EQ(engine_.ShownItemCount(), 0);
    server_.Route("/adv", good);
    Ask(words);
    EXPECT_EQ(server_.RequestCount(), c.requests);
    EXPECT_EQ(ShownTitles(), c.titles);
  }
}

TEST_F(AdvertEngineTest, BegunAsksWithOneKeyTextMivaWithTwo) {
  const struct {
    const char* engine;
    bool keyWordSearch;
    std::u16string words, stops;
    std::string target;
  } cases[] = {
      {"begun", false, u"blue sky, red", u"", "/begun?q=blue+sky%2c+red&n=3"},
      {"miva", true, u"blue sky", u" -red", "/adv?kw=blue+sky&sw=+-red&n=3"},
      // One pass: a placeholder in the words stays as it was typed.
      {"miva", true, u"a $stop_words", u"$KEY_WORDS", "/adv?kw=a+$stop_words&sw=$KEY_WORDS&n=3"},
      // A one-text request leaves no words of an earlier request behind.
      {"miva", false, u"solo", u"", "/adv?kw=&sw=&n=3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    Use(c.engine);
    server_.ClearRequests();
    if (c.keyWordSearch) {
      ASSERT_TRUE(engine_.StartKeyWordSearch(c.words, c.stops));
    } else {
      std::u16string untouched = u"x";
      ASSERT_TRUE(engine_.StartSearch(c.words, untouched));
      EXPECT_EQ(untouched, u"x");
    }
    ASSERT_TRUE(engine_.WaitUntilIdle(10000));
    ASSERT_EQ(server_.RequestCount(), 1u);
    EXPECT_EQ(server_.LastRequest().target, c.target);
    EXPECT_EQ(engine_.KeyText(), c.words + c.stops);
    EXPECT_EQ(engine_.EngineName(), c.engine);
    EXPECT_EQ(engine_.TemplateName(), c.engine);
  }
  EXPECT_FALSE(engine_.UseTemplate("nothing"));
  EXPECT_EQ(engine_.Status(), EngineWeb::kStatusTemplate);
}

TEST_F(AdvertEngineTest, ShutdownAbortsARunningDownload) {
  Use("miva");
  server_.Route("/adv", HttpReply::Silent());
  ASSERT_TRUE(engine_.StartKeyWordSearch(u"quiet", u""));
  ASSERT_TRUE(server_.WaitForRequests(1));
  EXPECT_TRUE(engine_.Busy());
  EXPECT_EQ(engine_.ProcessAdvertPage(u"k", "<p>", base_), -1);  // refused while busy
  engine_.Shutdown();
  EXPECT_FALSE(engine_.Busy());
  EXPECT_EQ(hooks_.load(), 0);
  EXPECT_FALSE(engine_.StartKeyWordSearch(u"late", u""));
  EXPECT_TRUE(Logged("Finish MetaSearch on TAdvertisement"));
}

}  // namespace
}  // namespace kestrune
