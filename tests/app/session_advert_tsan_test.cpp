// The session's advertising engine under the thread sanitizer: started by a
// search run, asked again, stopped and made again, its items read for the
// page on the session's thread while its worker downloads.
#include <chrono>
#include <string>
#include <thread>

#include "tests/app/loopback_search.h"
#include "tests/support/advert_pages.h"

namespace kestrune {
namespace {

// Waits until the server has an advertising request with `word` among its key
// words; false after ten seconds.
bool AskedFor(const test::LoopbackHttpServer& server, const std::string& word) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    for (const test::HttpRequestRecord& request : server.Requests()) {
      if (request.path == "/adv" && request.target.find(word) != std::string::npos) return true;
    }
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

TEST(SessionAdvertThreads, StartsStopsAndPageReadsDuringRuns) {
  test::TLoopbackSearch t;
  TKestruneSession& s = *t.session;
  const std::string base = t.server.Url("");
  test::HttpReply answer = test::HttpReply::Html(test::WriteAdvertPage(test::NumberedAdverts(1, 2, base)));
  t.server.Route("/adv", answer.Slow(200, std::chrono::milliseconds(2)));
  test::WriteFileBytes(t.program.Program() + "templates/web/miva.ini", test::AdvertTemplate(base, "miva"));
  s.SetAdvertEngine("miva");
  t.Search(u"alpha beta");
  for (int round = 0; round < 12; ++round) {
    const std::string word = "word" + std::to_string(round) + "x";
    s.StartAdvertSearch(platform::Utf8ToUtf16(word), 1);
    // The round's request reaches the server before the next round stops it
    // (on a busy machine a request stopped before its worker connected is
    // never sent), and the page is read while the worker downloads.
    ASSERT_TRUE(AskedFor(t.server, word)) << word;
    s.Results.PageResults.AdvertisementFromAmazon();
    s.AdvertsReady();
    if (round % 3 == 2) {
      s.StopAdvertEngine();
      s.SetAdvertEngine("miva");
    }
    t.view.RunPosted();
  }
  s.StartAdvertSearch(u"", 1);
  ASSERT_TRUE(s.Advert.AdvertEngine->WaitUntilIdle(10000));
  t.view.RunPosted();
  TParsePage page;
  ASSERT_TRUE(s.Advert.AdvertEngine->GetCurrentPage(page));
  EXPECT_EQ(page.ItemCount, 2);
  // Every round's request and the last one.
  const std::vector<test::HttpRequestRecord> requests = t.server.Requests();
  EXPECT_GE(std::count_if(requests.begin(), requests.end(), [](const auto& r) { return r.path == "/adv"; }), 13);
}

}  // namespace
}  // namespace kestrune
