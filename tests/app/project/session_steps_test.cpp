// Searches, Undo and Redo together on the recording fakes: what a step gives
// back (the scopes, the favourites), what a search after Undo keeps, and
// what feeding the network outside a search leaves alone.
#include <gtest/gtest.h>

#include <functional>

#include "tests/app/page_session.h"

namespace kestrune {
namespace {

using test::TPageSession;

// A result item whose title holds its words.
TMetaSearchList Item(const std::string& url, const std::u16string& words) {
  TMetaSearchList item;
  item.Url = url;
  item.Title = words;
  item.Annotation = u"notes";
  item.Label = "1 - Loopback";
  return item;
}

// The query box's text and Enter: a new query downloads, else it refines.
void Type(TPageSession& f, std::u16string_view text) {
  f.view.queryText = text;
  f.view.Control(TMainControl::IComboBox1).Visible = true;
  f.S().QueryKeyUp(13);
  f.view.RunAllQueued();
}

// "Refresh": the current query downloaded again, bringing `items`.
void Refresh(TPageSession& f, std::vector<TMetaSearchList> items) {
  f.engine->results = std::move(items);
  f.S().BtnMetasearchClick();
  f.view.RunAllQueued();
}

std::string ScopesText(const TKestruneSession& s) {
  std::string text;
  for (int32_t k = 0; k < s.Project.Scope.Count(); ++k) text += (k ? "|" : "") + platform::Utf16ToUtf8(s.Project.Scope.GetQueryText(k));
  return text;
}

std::string DocumentsText(const TKestruneSession& s) {
  std::string text;
  for (const TMetaSearchList& d : s.Project.Documents) text += (text.empty() ? "" : " ") + d.Url;
  return text;
}

// Two searches: "alpha" brings a and b, then "alpha beta" (refined and
// refreshed) brings c and d.
void TwoSearches(TPageSession& f) {
  f.engine->results = {Item("http://a/", u"alpha one"), Item("http://b/", u"alpha two")};
  Type(f, u"alpha");
  Type(f, u"beta");
  Refresh(f, {Item("http://c/", u"alpha beta three"), Item("http://d/", u"alpha beta four")});
}

// Feeding the network for anything but a search keeps the keys each search
// was made with.
TEST(SessionSteps, FeedsOutsideASearchKeepTheSearchesKeys) {
  using TAction = std::function<void(TPageSession&)>;
  const struct {
    const char* name;
    TAction action;
    size_t searchesLeft;  // StepKeys entries after the action
  } cases[] = {
      {"AStopWordAndItsUndo",
       [](TPageSession& f) {
         f.S().Map.MarkedGroup = {{test::WordId(f.S(), u"one"), 1.0f}};
         f.S().pmAddToStopWordsClick();
         f.S().BtnBackClick();
       },
       2},
      {"AStopWordTakenBackOnItsPage",
       [](TPageSession& f) {
         f.S().MakeStopWord(test::WordId(f.S(), u"one"));
         f.Click("reanimate_stop_word0");
       },
       2},
      {"DocumentsDeleted",
       [](TPageSession& f) {
         f.S().ExcludeDocumentContext({{0, 1.0f}});
         f.S().DeleteDocuments(2);
         ASSERT_EQ(f.S().Project.Documents.size(), 3u);
       },
       2},
      {"AUserDocument",
       [](TPageSession& f) { EXPECT_EQ(f.S().AddUserDocument(-1, u"http://mine/", u"alpha mine", u""), 0); }, 2},
      // The undone search's documents go when the query changes.
      {"AnUndoneSearchDropped",
       [](TPageSession& f) {
         f.S().BtnBackClick();
         f.S().BtnBackClick();
         ASSERT_EQ(f.S().Project.StepNumber, 1);
         Type(f, u"delta");
       },
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    TwoSearches(f);
    ASSERT_EQ(s.Project.StepKeys.size(), 2u);
    const std::vector<TNNKeys> searched = s.Project.StepKeys;
    Type(f, u"gamma");  // the query on the map is no search's
    c.action(f);
    EXPECT_EQ(s.Project.StepKeys, std::vector<TNNKeys>(searched.begin(), searched.begin() + c.searchesLeft));
  }
}

// Every step that changed the scope list gives it back on Undo and Redo.
TEST(SessionSteps, UndoAndRedoGiveBackTheScopesOfTheirStep) {
  using TAction = std::function<void(TPageSession&)>;
  const struct {
    const char* name;
    TAction before;            // after the two searches
    const char* scopesBefore;  // then Undo, then Redo
    const char* scopesUndone;
  } cases[] = {
      {"ARefreshAddedAScope", [](TPageSession&) {}, "alpha|alpha beta", "alpha"},
      {"DeletedThenAddedByARefresh",
       [](TPageSession& f) {
         f.S().EmbeddedWB1BeforeNavigate2("http://kestrunedeletefromhistory/1");
         Refresh(f, {Item("http://e/", u"alpha beta five")});
       },
       "alpha|alpha beta", "alpha"},
      {"AMapStepBetween",
       [](TPageSession& f) {
         f.S().DrawAndEventMap1GroupSelect(1, 0, true, {{test::WordId(f.S(), u"four"), 1.0f}});
         Refresh(f, {Item("http://e/", u"alpha beta four five")});
       },
       "alpha|alpha beta|alpha beta four", "alpha|alpha beta"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    TwoSearches(f);
    c.before(f);
    EXPECT_EQ(ScopesText(s), c.scopesBefore);
    s.BtnBackClick();
    EXPECT_EQ(ScopesText(s), c.scopesUndone);
    s.BtnNextClick();
    EXPECT_EQ(ScopesText(s), c.scopesBefore);
  }
}

// A download after Undo starts a new branch: the undone search's documents
// and keys go, the step count counts the searches still there, and Redo has
// nothing to bring back.
TEST(SessionSteps, ADownloadAfterUndoDropsTheUndoneSearch) {
  using TAction = std::function<void(TPageSession&)>;
  const struct {
    const char* name;
    TAction download;
  } cases[] = {
      {"Refresh", [](TPageSession& f) { Refresh(f, {Item("http://e/", u"alpha five")}); }},
      {"FullRefresh",
       [](TPageSession& f) {
         f.engine->results = {Item("http://e/", u"alpha five")};
         f.S().fullRefreshClick();
         f.view.RunAllQueued();
       }},
      {"TheAutomaticSearch",
       [](TPageSession& f) {
         f.engine->results = {Item("http://e/", u"alpha five")};
         f.S().StartNewSearch();
         f.view.RunAllQueued();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    TwoSearches(f);
    s.BtnBackClick();
    ASSERT_EQ(s.Project.StepNumber, 1);
    c.download(f);
    EXPECT_EQ(DocumentsText(s), "http://a/ http://b/ http://e/");
    EXPECT_EQ(s.Project.StepNumber, 2);
    EXPECT_EQ(s.Project.StepKeys.size(), 2u);
    EXPECT_EQ(s.Project.Documents.back().Step, 2);
    EXPECT_FALSE(s.ContentMap.Steps().CanForward());
    s.ContentMapReGenerate();
    for (int32_t id : s.Results.PageDocumentIds) EXPECT_LE(s.Project.Documents[static_cast<size_t>(id)].Step, s.Project.StepNumber);
  }
}

// A favourite stays one when its removal is undone or its link restored; the
// counters count it only while it is shown.
TEST(SessionSteps, AFavouriteKeepsItsMarkWhileHidden) {
  const struct {
    const char* name;
    const char* hide;    // a link of the page, on entry 0
    const char* showAgain;  // "undo" or a link of the page in its view
    const char* view;
  } cases[] = {
      {"RemovedThenUndone", "ExcludeContextFile0", "undo", nullptr},
      {"RemovedThenRestored", "ExcludeContextFile0", "RestoreLink0", "deleted_files"},
      {"HiddenThenUndone", "ExcludeURL0", "undo", nullptr},
      {"HiddenThenRestored", "ExcludeURL0", "RestoreSite0", "deleted_sites"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    f.engine->results = {Item("http://a.example/", u"alpha one"), Item("http://b.example/", u"alpha two")};
    Type(f, u"alpha");
    ASSERT_FALSE(s.Results.PageList.empty());
    const std::string favourite = s.Results.PageList[0].Url;
    f.Click("AddToFavorites0");
    f.Loaded();
    ASSERT_EQ(s.Project.Counters.AllFavoriteLinks, 1);
    f.Click(c.hide);
    f.Loaded();
    s.ShowResults(-2, 0);
    EXPECT_EQ(s.Project.Counters.AllFavoriteLinks, 0);  // not shown
    if (c.view) f.Click(c.view);
    if (std::string(c.showAgain) == "undo") {
      s.BtnBackClick();
    } else {
      f.Click(c.showAgain);
      f.Loaded();
    }
    s.ShowResults(-2, 0);
    EXPECT_EQ(s.Project.Documents[static_cast<size_t>(s.DocumentOfUrl(favourite))].Flags & 1, 1);
    EXPECT_EQ(s.Project.Counters.AllFavoriteLinks, 1);
  }
}

// An empty query is no scope, and the full refresh skips a stored one.
TEST(SessionSteps, AnEmptyQueryIsNoScope) {
  using TAction = std::function<void(TPageSession&)>;
  const struct {
    const char* name;
    TAction action;
    const char* scopes;
    const char* queries;  // sent to the engine after the first search
  } cases[] = {
      {"AddedFromThePage",
       [](TPageSession& f) { f.S().EmbeddedWB1BeforeNavigate2("http://kestruneaddtohistory/"); }, "alpha", ""},
      {"UpdatedFromThePage",
       [](TPageSession& f) { f.S().EmbeddedWB1BeforeNavigate2("http://kestruneupdatehistory/"); }, "alpha", ""},
      {"OnlyExclusions",
       [](TPageSession& f) {
         test::SetWords(f.S(), kKindExcluded, u"beta");
         f.S().EmbeddedWB1BeforeNavigate2("http://kestruneaddtohistory/");
       },
       "alpha", ""},
      {"StoredAndRefreshed",
       [](TPageSession& f) {
         f.S().Project.Scope.Add({}, {});  // as an older project may hold it
         f.S().fullRefreshClick();
         f.view.RunAllQueued();
       },
       "alpha|", "alpha|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    f.engine->results = {Item("http://a/", u"alpha one")};
    Type(f, u"alpha");
    f.engine->queries.clear();
    test::SetWords(s, kKindQuery, u"");
    c.action(f);
    EXPECT_EQ(ScopesText(s), c.scopes);
    std::string queries;
    for (const std::u16string& query : f.engine->queries) queries += platform::Utf16ToUtf8(query) + "|";
    EXPECT_EQ(queries, c.queries);
  }
}

}  // namespace
}  // namespace kestrune
