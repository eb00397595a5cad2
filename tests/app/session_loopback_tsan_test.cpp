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
  // A whole search, then the same query again, stopped at its first progress.
  t.Search(u"query");
  ASSERT_EQ(s.Project.Documents.size(), static_cast<size_t>(test::TLoopbackSearch::kServedItems));
  bool stopped = false;
  t.view.OnProgressShown = [&](int32_t position) {
    if (stopped || position == 0 || !s.SearchRunning()) return;
    stopped = true;
    s.BtnStopClick();
  };
  s.BtnMetasearchClick();
  t.view.RunPosted();
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(s.SearchRunning() || t.engine->Busy());
  // Whatever the stopped search found was merged: still each document once.
  ASSERT_EQ(s.Project.Documents.size(), static_cast<size_t>(test::TLoopbackSearch::kServedItems));
  for (size_t j = 0; j < s.Project.Documents.size(); ++j) EXPECT_EQ(s.Project.Documents[j].Url, t.server.Url("/doc" + std::to_string(j + 1) + ".html"));
  EXPECT_EQ(t.view.progress, 0);
}

}  // namespace
}  // namespace kestrune
