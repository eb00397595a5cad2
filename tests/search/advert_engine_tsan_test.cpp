// The advertising engine under requests, resets and readers from other
// threads while its worker runs.
#include <atomic>
#include <random>
#include <thread>

#include "search/advert_engine.h"
#include "tests/search/engine_test_support.h"
#include "tests/support/advert_pages.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;
using test::LoopbackHttpServer;

// A shown page must be one whole answer: its items all of one key.
void ExpectWhole(const TParsePage& page) {
  ASSERT_EQ(page.Items.size(), static_cast<size_t>(page.ItemCount));
  ASSERT_LE(page.ItemCount, TAmazonCom::kMaxItems);
  auto folder = [](const std::string& url) { return url.substr(0, url.rfind('/')); };
  for (size_t i = 1; i < page.Items.size(); ++i) ASSERT_EQ(folder(page.Items[i].Url), folder(page.Items[0].Url));
}

class AdvertThreads : public test::EngineTest {
 protected:
  // The fixture's own sockets: cpp-httplib is not built for the thread sanitizer.
  LoopbackHttpServer server_{{LoopbackHttpServer::Transport::kRawSocket, true}};
};

TEST_F(AdvertThreads, StartsStopsAndReadersDuringRuns) {
  const std::string base = server_.Url("");
  server_.Route("/adv", [base](const HttpRequestRecord& r) {
    // Key k answers with three items under base + "/k<k>".
    const size_t at = r.query.find("kw=key");
    const std::string key = at == std::string::npos ? "x" : r.query.substr(at + 6, 1);
    return HttpReply::Html(test::WriteAdvertPage(test::NumberedAdverts(1, 3, base + "/k" + key)));
  });
  WriteTemplate("miva", test::AdvertTemplate(base, "miva"));
  TAmazonCom engine;
  ASSERT_TRUE(engine.UseTemplate("miva"));
  std::atomic<int> hooks{0};
  engine.OnAdvertsReady = [&] {
    TParsePage page;
    if (engine.GetCurrentPage(page)) ExpectWhole(page);
    ++hooks;
  };
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done) {
      TParsePage page;
      if (engine.GetCurrentPage(page)) ExpectWhole(page);
      (void)engine.ShownItemCount();
      (void)engine.KeyText();
      std::this_thread::yield();
    }
  });
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    const std::u16string key = u"key" + std::u16string(1, static_cast<char16_t>(u'0' + random() % 6));
    ASSERT_TRUE(engine.StartKeyWordSearch(key, u""));
    if (random() % 4 == 0) std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    if (random() % 5 == 0) engine.StopAndReset();
    TParsePage page;
    if (engine.GetCurrentPage(page)) ExpectWhole(page);
    if (random() % 3 == 0) {
      ASSERT_TRUE(engine.WaitUntilIdle(10000));
    }
  }
  ASSERT_TRUE(engine.StartKeyWordSearch(u"key9", u""));
  ASSERT_TRUE(engine.WaitUntilIdle(10000));
  TParsePage last;
  ASSERT_TRUE(engine.GetCurrentPage(last));
  EXPECT_EQ(last.Items[0].Url, base + "/k9/ad1.html");
  EXPECT_GT(hooks.load(), 0);
  // A shutdown in the middle of a run.
  ASSERT_TRUE(engine.StartKeyWordSearch(u"key8", u""));
  engine.Shutdown();
  EXPECT_FALSE(engine.Busy());
  done = true;
  reader.join();
}

}  // namespace
}  // namespace kestrune
