// A search typed into the session, downloaded by the real search worker from
// the loopback engine: the documents, their labels and steps, the map, and a
// network that knows the query word's neighbours.
#include "tests/app/loopback_search.h"

namespace kestrune {
namespace {

TEST(SessionLoopback, ASearchFromTheQueryBoxToTheNetwork) {
  test::TLoopbackSearch t;
  ASSERT_TRUE(t.created);
  TKestruneSession& s = *t.session;
  t.Search(u"query");

  ASSERT_EQ(s.Documents.size(), static_cast<size_t>(test::TLoopbackSearch::kServedItems));
  const std::string base = t.server.Url("");
  for (size_t j = 0; j < s.Documents.size(); ++j) {
    const TMetaSearchList& d = s.Documents[j];
    const std::string n = std::to_string(j + 1);
    EXPECT_EQ(d.Url, base + "/doc" + n + ".html");
    EXPECT_EQ(d.Title, platform::Utf8ToUtf16("Title " + n));
    EXPECT_EQ(d.Annotation, platform::Utf8ToUtf16(" Snippet " + n + " about the query"));
    EXPECT_EQ(d.Label, n + " - Loopback");
    EXPECT_EQ(d.Position, static_cast<int32_t>(j));
    EXPECT_EQ(d.QueryNumber, 0);
    EXPECT_EQ(d.Step, 1);
  }
  const int32_t query = t.WordId(u"query");
  ASSERT_GE(query, 0);
  EXPECT_EQ(s.StepNumber, 1);
  ASSERT_EQ(s.StepKeys.size(), 1u);
  EXPECT_EQ(s.StepKeys[0], (TNNKeys{{query, 1.0f}}));
  EXPECT_EQ(s.Counters.AtLastSearch, test::TLoopbackSearch::kServedItems);
  EXPECT_EQ(t.engine->Status(), 0);

  // The network answers for the query word, as the map asks it with the
  // documents as context, with the words beside it in the snippets.
  TNNKeys documents;
  for (int32_t j = 0; j < test::TLoopbackSearch::kServedItems; ++j) documents.push_back({j, 1.0f});
  s.IContextMS1.ClearContextWords();
  s.IContextMS1.AddContextWords(documents);
  TNNKeys related;
  int32_t count = 20;
  s.IContextMS1.GetWords({{query, 1.0f}}, {}, count, related, 0, 0.01f);
  std::vector<std::u16string> words;
  for (int32_t i = 0; i < count && i < static_cast<int32_t>(related.size()); ++i) {
    words.push_back(s.ContentMapGetKeyName(related[static_cast<size_t>(i)].Id));
  }
  EXPECT_NE(std::find(words.begin(), words.end(), u"about"), words.end());
  EXPECT_EQ(std::find(words.begin(), words.end(), u"query"), words.end());
  // The map holds the query word.
  bool onMap = false;
  for (const TKey& key : s.ContentMap.Keys()) onMap = onMap || key.Id == query;
  EXPECT_TRUE(onMap);
  // Progress reached the bar and ended at 0; the window is itself again.
  EXPECT_NE(std::find(t.view.progressLog.begin(), t.view.progressLog.end(), 100), t.view.progressLog.end());
  EXPECT_EQ(t.view.progress, 0);
  EXPECT_FALSE(t.view.Visible(TMainControl::IProgressBar1));
  EXPECT_EQ(t.server.RequestCount(), 2u);
}

}  // namespace
}  // namespace kestrune
