// A search typed into the session, downloaded by the real search worker from
// the loopback engine: the documents, their labels and steps, the map, and a
// network that knows the query word's neighbours; a query entered while the
// search runs waits for its end.
#include "search/query_url.h"
#include "tests/app/loopback_search.h"

namespace kestrune {
namespace {

TEST(SessionLoopback, ASearchFromTheQueryBoxToTheNetwork) {
  test::TLoopbackSearch t;
  ASSERT_TRUE(t.created);
  TKestruneSession& s = *t.session;
  t.Search(u"query");

  ASSERT_EQ(s.Project.Documents.size(), static_cast<size_t>(test::TLoopbackSearch::kServedItems));
  for (size_t j = 0; j < s.Project.Documents.size(); ++j) {
    const TMetaSearchList& d = s.Project.Documents[j];
    const std::string n = std::to_string(j + 1);
    EXPECT_EQ(d.Url + " " + platform::Utf16ToUtf8(d.Title + d.Annotation) + " / " + d.Label,
              t.server.Url("/doc" + n + ".html") + " Title " + n + " Snippet " + n + " about the query / " + n +
                  " - Loopback");
    EXPECT_EQ(d.Position * 100 + d.QueryNumber * 10 + d.Step, static_cast<int32_t>(j) * 100 + 1);
  }
  const int32_t query = t.WordId(u"query");
  EXPECT_EQ(s.Project.StepNumber, 1);
  EXPECT_EQ(s.Project.StepKeys, (std::vector<TNNKeys>{{{query, 1.0f}}}));
  EXPECT_EQ(s.Project.Counters.AtLastSearch, test::TLoopbackSearch::kServedItems);

  // The network answers for the query word, asked as the map asks it (the
  // documents as context), with the words beside it in the snippets.
  TNNKeys documents, related;
  for (int32_t j = 0; j < test::TLoopbackSearch::kServedItems; ++j) documents.push_back({j, 1.0f});
  s.IContextMS1.ClearContextWords();
  s.IContextMS1.AddContextWords(documents);
  int32_t count = 20;
  s.IContextMS1.GetWords({{query, 1.0f}}, {}, count, related, 0, 0.01f);
  std::vector<std::u16string> words;
  for (int32_t i = 0; i < count; ++i) words.push_back(s.ContentMapGetKeyName(related.at(static_cast<size_t>(i)).Id));
  EXPECT_NE(std::find(words.begin(), words.end(), u"about"), words.end());
  // The map holds the query word; progress reached 100 and ended at 0.
  EXPECT_TRUE(std::any_of(s.ContentMap.Keys().begin(), s.ContentMap.Keys().end(),
                          [query](const TKey& key) { return key.Id == query; }));
  EXPECT_NE(std::find(t.view.progressLog.begin(), t.view.progressLog.end(), 100), t.view.progressLog.end());
  EXPECT_EQ(t.view.progress, 0);
}

// A word entered while a search runs is no part of that search: it waits for
// the search's end and then refines the query over the documents that
// arrived; the page lists the documents it selects, never "Nothing found".
TEST(SessionLoopback, AWordEnteredWhileASearchRunsRefinesItsResults) {
  const struct {
    const char16_t* typed;
    std::u16string query;
    size_t listed;
  } cases[] = {
      {u"Harbor", u"river harbor", 3},
      {u"harbor", u"river harbor", 3},
      {u"-harbor", u"river -harbor", 27},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.typed));
    test::TLoopbackSearch t;
    ASSERT_TRUE(t.created);
    TKestruneSession& s = *t.session;
    std::vector<test::ResultItem> items;
    for (int n = 1; n <= test::TLoopbackSearch::kServedItems; ++n) {
      const std::string word = n % 10 == 3 ? "harbor" : "meadow";
      items.push_back({t.server.Url("/doc" + std::to_string(n) + ".html"), "River walk " + std::to_string(n),
                       "A path along the river past the " + word});
    }
    test::RouteLoopbackItems(t.server, items);
    // Enter is pressed in the query box as soon as the search shows progress.
    bool entered = false;
    t.view.OnProgressShown = [&](int32_t) {
      if (entered || !s.SearchRunning()) return;
      entered = true;
      t.view.queryText = c.typed;
      s.QueryKeyUp(13);
    };
    t.Search(u"river");
    ASSERT_TRUE(entered);
    for (const test::HttpRequestRecord& request : t.server.Requests()) {
      EXPECT_EQ(request.query.find("harbor"), std::string::npos) << request.query;
    }
    EXPECT_EQ(s.Project.Documents.size(), static_cast<size_t>(test::TLoopbackSearch::kServedItems));
    EXPECT_EQ(s.Project.StepKeys, (std::vector<TNNKeys>{{{t.WordId(u"river"), 1.0f}}}));
    EXPECT_EQ(s.GetQueryText(), c.query);
    EXPECT_EQ(s.Results.PageDocumentIds.size(), c.listed);
    EXPECT_EQ(s.Results.LastPageMode, kPageModeResults);
  }
}

}  // namespace
}  // namespace kestrune
