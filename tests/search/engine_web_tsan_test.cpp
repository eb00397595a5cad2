// The search thread under stops and shutdowns from other threads.
#include <chrono>
#include <random>
#include <thread>

#include "tests/search/engine_test_support.h"

namespace kestrune {
namespace {

using test::HttpReply;
using test::HttpRequestRecord;
using test::LoopbackHttpServer;
using test::LoopbackTemplateOptions;

class EngineThreads : public test::EngineTest {
 protected:
  void SetUp() override {
    const std::string base = server_.Url("");
    server_.Route("/search", [base](const HttpRequestRecord& r) {
      return HttpReply::Html(test::WriteResultPage(test::NumberedItems(test::StartOf(r), 10, base)));
    });
    slow_.Route("/search", HttpReply::Html(std::string(100000, 'x')).Slow(100, std::chrono::milliseconds(20)));
  }
  // The fixture's own sockets: cpp-httplib is not built for the thread sanitizer.
  LoopbackHttpServer server_{{LoopbackHttpServer::Transport::kRawSocket, true}};
  LoopbackHttpServer slow_{{LoopbackHttpServer::Transport::kRawSocket, true}};
};

TEST_F(EngineThreads, StopAtRandomMomentsOverAHundredSearches) {
  WriteTemplate("local", test::LoopbackEngineTemplate(server_.Url(""), LoopbackTemplateOptions().Counts("10")));
  EngineWeb engine;
  ASSERT_TRUE(engine.LoadTemplate("local"));
  std::atomic<int> progressCalls{0};
  engine.OnProgress = [&](int32_t) { ++progressCalls; };
  std::mt19937 random(7);
  int stoppedEarly = 0;
  for (int round = 0; round < 100; ++round) {
    ASSERT_TRUE(engine.SetUrlCount(30));
    std::u16string first;
    ASSERT_TRUE(engine.StartSearch(u"blue", first));
    const auto delay = std::chrono::microseconds(random() % 4000);
    std::thread stopper([&engine, delay] {
      std::this_thread::sleep_for(delay);
      engine.StopSearch();
    });
    ASSERT_TRUE(engine.WaitUntilIdle(5000)) << "round " << round;
    stopper.join();
    ASSERT_TRUE(engine.WaitUntilIdle(5000));
    // Read after the fall: complete and consistent.
    ASSERT_EQ(engine.SearchResults().size(), static_cast<size_t>(engine.ItemCount()));
    ASSERT_EQ(test::ItemUrls(engine), test::DocUrls(server_.Url(""), 1, engine.ItemCount()));
    ASSERT_EQ(engine.ItemCount() ? engine.SearchResults()[0].QueryNumber : round + 1, round + 1);
    EXPECT_EQ(engine.Status(), 0) << engine.ErrorText();
    if (engine.ItemCount() < 30) ++stoppedEarly;
  }
  EXPECT_GT(stoppedEarly, 0);
  EXPECT_GT(progressCalls.load(), 0);
}

// A stop raised from the progress hook while the recovery stores the links of
// a 2 MB page it took over: no further link is stored.
TEST_F(EngineThreads, StopFromTheRecoveryHook) {
  const std::string base = server_.Url("");
  std::string page = test::WriteChangedLayoutPage(test::NumberedItems(1, 4000, base));
  ASSERT_GT(page.size(), 2u << 20);
  server_.Route("/changed", HttpReply::Html(page));
  std::string text = test::LoopbackEngineTemplate(base, LoopbackTemplateOptions().Counts("100"));
  text.replace(text.find("/search?"), 8, "/changed?");
  WriteTemplate("local", text);
  for (const int stopAt : {1, 3, 40}) {
    SCOPED_TRACE(stopAt);
    EngineWeb engine;
    ASSERT_TRUE(engine.LoadTemplate("local"));
    ASSERT_TRUE(engine.SetUrlCount(100));
    std::atomic<int> calls{0};
    engine.OnProgress = [&](int32_t) {
      if (++calls == stopAt) engine.StopSearch();
    };
    ClearLog();
    std::u16string first;
    ASSERT_TRUE(engine.StartSearch(u"q", first));
    ASSERT_TRUE(engine.WaitUntilIdle(60000));
    EXPECT_TRUE(Logged("Start correcting temlate for LocalTest"));
    EXPECT_EQ(calls.load(), stopAt);
    EXPECT_EQ(engine.ItemCount(), stopAt);
    EXPECT_EQ(test::ItemUrls(engine), test::DocUrls(base, 1, stopAt));
    EXPECT_EQ(engine.Status(), 0);
  }
}

TEST_F(EngineThreads, ShutdownDuringASearch) {
  WriteTemplate("local", test::LoopbackEngineTemplate(slow_.Url("")));
  for (int round = 0; round < 3; ++round) {
    auto engine = std::make_unique<EngineWeb>();
    ASSERT_TRUE(engine->LoadTemplate("local"));
    ASSERT_TRUE(engine->SetUrlCount(10));
    std::u16string first;
    ASSERT_TRUE(engine->StartSearch(u"q", first));
    ASSERT_TRUE(slow_.WaitForRequests(static_cast<size_t>(round + 1)));
    const auto begin = std::chrono::steady_clock::now();
    if (round == 0) {
      engine->Shutdown();
      EXPECT_FALSE(engine->Busy());
      EXPECT_FALSE(engine->StartSearch(u"q", first));  // no search after the end
      engine->Shutdown();                              // twice is harmless
    }
    engine.reset();  // the destructor ends a running search too
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(1));
  }
}

}  // namespace
}  // namespace kestrune
