// The session's hand-offs with the search worker under the thread sanitizer:
// progress posted from the worker, a stop from the session's thread while
// pages arrive, and the results read after the worker fell idle.
#include "tests/app/loopback_search.h"

namespace kestrune {
namespace {

TEST(SessionLoopbackThreads, ProgressStopAndResultsCrossThreads) {
  test::TLoopbackSearch t(std::chrono::milliseconds(5));
  ASSERT_TRUE(t.created);
  TKestruneSession& s = *t.session;
  // A whole search first, then the same query again with a stop as soon as
  // the first progress of the second shows.
  t.Search(u"query");
  ASSERT_EQ(s.Documents.size(), static_cast<size_t>(test::TLoopbackSearch::kServedItems));
  bool armed = true;
  t.view.OnProgressShown = [&](int32_t position) {
    if (armed && position > 0 && s.SearchRunning()) {
      armed = false;
      s.BtnStopClick();
    }
  };
  s.BtnMetasearchClick();
  t.view.RunPosted();
  EXPECT_FALSE(armed);
  EXPECT_FALSE(s.SearchRunning());
  EXPECT_FALSE(t.engine->Busy());
  // The stopped search merged what it had found: the documents are still
  // those of the server, each once.
  ASSERT_EQ(s.Documents.size(), static_cast<size_t>(test::TLoopbackSearch::kServedItems));
  const std::string base = t.server.Url("");
  for (size_t j = 0; j < s.Documents.size(); ++j) {
    EXPECT_EQ(s.Documents[j].Url, base + "/doc" + std::to_string(j + 1) + ".html");
  }
  EXPECT_LE(s.StepNumber, 2);
  EXPECT_EQ(t.view.progress, 0);
  EXPECT_TRUE(s.StopRequested);
}

}  // namespace
}  // namespace kestrune
