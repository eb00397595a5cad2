#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "search/http_read.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using namespace std::chrono_literals;
using test::HttpReply;
using test::LoopbackHttpServer;

// Another thread aborts a reader's Get again and again, while the server is
// silent and while it sends a slow body; every Get ends False at once, no
// abort outlives its Get, and the reader works on afterwards.
TEST(HttpReadThreads, CloseRequestFromAnotherThread200Times) {
  LoopbackHttpServer server({LoopbackHttpServer::Transport::kRawSocket, true});
  server.Route("/silent", HttpReply::Silent());
  server.Route("/slow", HttpReply::Html(std::string(1 << 20, 'x')).Slow(512, 2ms));
  server.Route("/ok", HttpReply::Html("fine"));
  THttpRead reader;
  reader.SetReceiveTimeout(20000);     // an abort that is lost shows as a hang, not a pass
  reader.OnProgress = [](int32_t) {};  // the body path with progress runs too

  std::vector<std::chrono::steady_clock::duration> silentLatencies;
  for (int i = 0; i < 200; ++i) {
    SCOPED_TRACE(i);
    const size_t seen = server.RequestCount();
    std::chrono::steady_clock::time_point closedAt;
    std::thread aborter([&, seen, i] {
      ASSERT_TRUE(server.WaitForRequests(seen + 1));
      if (i % 4 == 3) std::this_thread::sleep_for(std::chrono::milliseconds(i % 7));
      closedAt = std::chrono::steady_clock::now();
      reader.CloseRequest();
      if (i % 5 == 0) reader.CloseRequest();  // a second close is harmless
    });
    const auto start = std::chrono::steady_clock::now();
    const bool ok = reader.Get(server.Url(i % 2 ? "/slow" : "/silent"));
    const auto returnedAt = std::chrono::steady_clock::now();
    aborter.join();
    if (i % 2 == 0) silentLatencies.push_back(returnedAt - closedAt);
    EXPECT_FALSE(ok);
    EXPECT_EQ(reader.FailureCause(), hfRead);
    EXPECT_EQ(reader.Size, 0);
    EXPECT_EQ(reader.RequestHandle.load(), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    if (i % 50 == 49) {
      EXPECT_TRUE(reader.Get(server.Url("/ok")));
      EXPECT_EQ(reader.Size, 4);
    }
  }
  // The abort wakes the waiting transfer: without the wake-up it would wait
  // for libcurl's next timer, about 200 ms on a silent connection.
  std::sort(silentLatencies.begin(), silentLatencies.end());
  EXPECT_LT(silentLatencies[silentLatencies.size() / 2], 50ms);

  reader.CloseRequest();  // nothing runs: no effect on the next Get
  EXPECT_TRUE(reader.Get(server.Url("/ok")));
}

}  // namespace
}  // namespace kestrune
