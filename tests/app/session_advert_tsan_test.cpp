// The session's advertising engine under the thread sanitizer: started by a
// search run, asked again, stopped and made again, its items read for the
// page on the session's thread while its worker downloads.
#include "tests/app/loopback_search.h"
#include "tests/support/advert_pages.h"

namespace kestrune {
namespace {

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
    s.StartAdvertSearch(u"word" + platform::Utf8ToUtf16(std::to_string(round)), 1);
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
  const std::vector<test::HttpRequestRecord> requests = t.server.Requests();
  EXPECT_GE(std::count_if(requests.begin(), requests.end(), [](const auto& r) { return r.path == "/adv"; }), 2);
}

}  // namespace
}  // namespace kestrune
