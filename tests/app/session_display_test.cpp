// The result display on the recording fakes: the page mode chosen, the
// automatic re-search, the stop-word page, and the document ordering with its view filters,
// marks and the scope view.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/page_session.h"

namespace kestrune {
namespace {

using test::AddDocuments;
using test::PageUrls;
using test::SetWords;
using test::TPageSession;

TEST(SessionDisplay, ShowResults_PageModes) {
  struct Case {
    int32_t view, mode;
    bool keys, listed, projectDocuments, justSearched;
    int32_t status;
    int32_t expected;
  } cases[] = {
      {0, 0, false, false, false, false, 0, 6},  // no query words
      {0, 0, true, true, true, false, 2, 2},     // no connection
      {0, 0, true, false, true, true, 0, 3},     // a search found nothing
      {0, 0, true, true, true, false, 0, 5},
      {0, -1, true, true, true, false, 0, 5},
      {0, 0, true, false, true, false, 0, 4},    // nothing on this step
      {0, 0, true, false, false, false, 0, 3},   // nothing in the project
      {3, 0, true, false, true, false, 0, 9},
      {3, 5, true, true, true, false, 0, 5},     // an explicit mode wins
      {1, 0, false, false, true, false, 0, 7},
      {2, 0, true, false, true, false, 0, 8},
      {4, 0, true, false, true, false, 0, 10},
      {5, 0, true, false, true, false, 0, 11},
      {0, 1, true, true, true, false, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "view " << c.view << " mode " << c.mode << " expected " << c.expected);
    TPageSession f;
    TKestruneSession& s = f.S();
    if (c.projectDocuments) AddDocuments(s, {{"http://a.example/", u"alpha"}});
    if (c.keys) SetWords(s, kKindQuery, u"alpha");
    if (c.listed) s.Results.PageDocumentIds.push_back(0);
    f.engine->status = c.status;
    s.Run.SearchJustRan = c.justSearched;
    s.Results.ViewMode = c.view;
    const int32_t written = f.view.pagesWritten;
    s.ShowResults(-2, c.mode);
    EXPECT_EQ(s.Results.LastPageMode, c.expected);
    EXPECT_EQ(f.view.pagesWritten, written + 1);
    EXPECT_FALSE(f.view.page.empty());
    EXPECT_FALSE(s.Run.SearchJustRan);
  }
}

TEST(SessionDisplay, ShowResults_AutoRefreshSearchesTwiceThenShowsNothingFound) {
  TPageSession f;
  TKestruneSession& s = f.S();
  s.Config.Settings.AutoRefresh = true;
  SetWords(s, kKindQuery, u"alpha");
  for (int32_t i = 0; i < 3; ++i) s.ShowResults(-2, 0);
  // Two searches queued after the handler, never run inside it; the third
  // empty refresh shows its page.
  EXPECT_EQ(f.view.queued.size(), 2u);
  EXPECT_TRUE(f.engine->queries.empty());
  EXPECT_EQ(f.view.pagesWritten, 1);
  EXPECT_EQ(s.Results.LastPageMode, 3);
  // Documents reset the count.
  AddDocuments(s, {{"http://a.example/", u"alpha"}});
  s.Results.PageDocumentIds.push_back(0);
  s.ShowResults(-2, 0);
  EXPECT_EQ(s.Results.EmptyRefreshes, 0);
}

TEST(SessionDisplay, StopWordPage_EscapesTheWordsAndSurvivesAMissingFile) {
  const std::u16string page = TResultView::StopWordsPageFrom(
      u"<p>$cmap_count_stop_words</p><table>$stop_words</table>", {u"<script>x</script>", u"a\"b $stop_words"});
  EXPECT_EQ(page,
            u"<p>2</p><table><tr style=\"padding-top:5px;\"><td width=80><nobr><a href=\"reanimate_stop_word0\">"
            u"&lt;script&gt;x&lt;/script&gt;</a></nobr></td></tr><tr style=\"padding-top:5px;\"><td width=80><nobr>"
            u"<a href=\"reanimate_stop_word1\">a&quot;b &#36;stop_words</a></nobr></td></tr></table>");

  TPageSession f;
  TKestruneSession& s = f.S();
  s.Project.StopWords = {u"alpha", u"beta"};
  s.Results.ViewMode = 6;
  s.ShowResults(-2, 0);
  EXPECT_NE(f.view.page.find(u"reanimate_stop_word1\">beta<"), std::u16string::npos);
  EXPECT_NE(f.view.page.find(u"These 2 words"), std::u16string::npos);
  std::filesystem::remove(f.program.Program() + "templates/en/blank6.html");
  s.ShowResults(-2, 0);
  EXPECT_TRUE(f.view.page.empty());
  EXPECT_NE(f.Log().find("stop-word page"), std::string::npos);
}

// The page highlights with the builder's own parser: the query's parse in
// the session's parser outlives the page build.
TEST(SessionDisplay, ShowResults_KeepsTheQuerysParse) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://a.example/", u"alpha one"}, {"http://b.example/", u"alpha two"}});
  SetWords(s, kKindQuery, u"alpha");
  s.OrderPageDocuments();
  ASSERT_EQ(PageUrls(s), "http://a.example/ http://b.example/");
  s.TextParsing.Parse(u"alpha two three");
  const TParsingText query = s.TextParsing.ParsingText();
  ASSERT_EQ(query.WordCount, 3);

  s.ShowResults(-2, 0);
  EXPECT_EQ(s.Results.LastPageMode, 5);
  EXPECT_NE(f.view.page.find(u">alpha</span>"), std::u16string::npos);
  const TParsingText& after = s.TextParsing.ParsingText();
  ASSERT_EQ(after.WordCount, query.WordCount);
  for (int32_t w = 0; w < query.WordCount; ++w) EXPECT_EQ(after.Word(w).WordId, query.Word(w).WordId) << w;
}

TEST(SessionDisplay, OrderPageDocuments_ViewsMarksAndUndoneSteps) {
  // d0..d3 hold "alpha", d4 does not; d5 came with a search that was
  // undone. Marks: d1 removed (-1), d3 both (-3), d2 hidden site (-2).
  struct Case {
    int32_t view;
    const char* expected;
  } cases[] = {
      {0, "http://d0/"},
      {6, "http://d0/"},
      {1, "http://d1/ http://d3/"},  // in the order of the marks
      {2, "http://d3/ http://d2/"},
      {3, "http://d0/"},             // new: bit 2 without bit 1
      {4, "http://d4/"},  // old: what the network missed follows; a marked document keeps its flag, unlisted
      {5, "http://d0/ http://d4/"},  // favourites
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view);
    TPageSession f;
    TKestruneSession& s = f.S();
    AddDocuments(s, {{"http://d0/", u"alpha one", 1, 4 | 1},
                     {"http://d1/", u"alpha two", 1},
                     {"http://d2/", u"alpha three", 1},
                     {"http://d3/", u"alpha four", 1, 2},
                     {"http://d4/", u"other five", 1, 2 | 1},
                     {"http://d5/", u"alpha six", 2}});
    s.Project.StepNumber = 1;
    IControlKeys& steps = s.ContentMap.Steps();
    steps.SetValue(kKindMarks, 1, -1.0f, true);
    steps.SetValue(kKindMarks, 3, -3.0f, true);
    steps.SetValue(kKindMarks, 2, -2.0f, true);
    SetWords(s, kKindQuery, u"alpha");
    s.Results.ViewMode = c.view;
    s.OrderPageDocuments();
    EXPECT_EQ(PageUrls(s), c.expected);
    if (c.view == 0) {
      EXPECT_EQ(s.ContentMap.Steps().GetCurrent()[kKindDocuments].size(), 1u);
      EXPECT_EQ(s.ContentMap.ResultFiles().size(), 1u);
      EXPECT_EQ(s.Project.Counters.NewLinks, 1);
      EXPECT_EQ(s.Project.Counters.FavoriteLinks, 1);
    }
  }
}

TEST(SessionDisplay, OrderPageDocuments_ScopeViewWeightsAndNewestFirst) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://old/", u"common rare"}, {"http://new/", u"common"}});
  const int32_t common = test::WordId(s, u"common");
  const int32_t rare = test::WordId(s, u"rare");
  const int32_t bad = test::WordId(s, u"bad");
  s.Project.Scope.Add({{common, 1.0f}, {rare, 1.0f}}, {{bad, kExcludedWeight}});
  s.Project.Scope.Add({{common, 1.0f}, {test::WordId(s, u"x")}}, {});
  s.Project.Scope.Add({{common, 1.0f}, {test::WordId(s, u"y")}}, {});
  s.Project.Scope.Add({{common, 1.0f}, {test::WordId(s, u"z")}}, {{rare, kExcludedWeight}});
  s.ContentMap.SetNoQueryMode(true);
  s.OrderPageDocuments();
  EXPECT_EQ(PageUrls(s), "http://new/ http://old/");
  const TControlKeyLists& step = s.ContentMap.Steps().GetCurrent();
  ASSERT_GE(step[kKindQuery].size(), 2u);
  EXPECT_EQ(step[kKindQuery][0].Key, (TNNKey{common, 1.0f}));
  EXPECT_EQ(step[kKindQuery][1].Key, (TNNKey{rare, 0.25f}));
  // A word included by one scope is not excluded by another.
  ASSERT_EQ(step[kKindExcluded].size(), 1u);
  EXPECT_EQ(step[kKindExcluded][0].Key.Id, bad);
  EXPECT_EQ(step[kKindSettings].back().Key, (TNNKey{1, 1.0f}));
  EXPECT_FALSE(f.view.Visible(TMainControl::IBitmapButton4));
}

}  // namespace
}  // namespace kestrune
