// The map's events, the popup menu, Undo and Redo, the scopes and the
// deletion of documents, scripted on the recording fakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "tests/app/page_session.h"

namespace kestrune {
namespace {

using test::AddDocuments;
using test::KeysText;
using test::SetWords;
using test::TPageSession;
using test::WordId;

TNNKeys Keys(TKestruneSession& s, std::u16string_view words) {
  TNNKeys keys;
  for (int32_t id : test::WordIds(s, words)) keys.push_back({id, 1.0f});
  return keys;
}

TEST(SessionMapEvents, AddExcludeHoverAndContextWords) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha beta gamma"}, {"http://d1/", u"alpha beta delta"}, {"http://d2/", u"omega"}});
  SetWords(s, kKindQuery, u"alpha");
  s.ContentMapReGenerate();

  // Excluding with context words: the word's context on the map joins the
  // excluded words between -10001 and -10000, never a query word.
  s.Config.Settings.ExcludeWithContext = true;
  s.DrawAndEventMap1GroupSelect(1, 1, true, Keys(s, u"beta"));
  EXPECT_EQ(f.view.pagesWritten, 1);
  EXPECT_TRUE(f.view.Enabled(TMainControl::IBitmapButtonUndo));
  const TControlKeyList& excluded = s.ContentMap.Steps().GetCurrent()[kKindExcluded];
  ASSERT_EQ(excluded.size(), 3u);
  EXPECT_EQ(excluded[0].Key, (TNNKey{WordId(s, u"beta"), kExcludedWeight}));
  for (size_t i = 1; i < excluded.size(); ++i) {
    EXPECT_NE(excluded[i].Key.Id, WordId(s, u"alpha"));
    EXPECT_GT(excluded[i].Key.Weight, -10001.0f);
    EXPECT_LT(excluded[i].Key.Weight, -10000.0f);
  }
  s.DrawAndEventMap1GroupSelect(1, 0, true, Keys(s, u"omega"));
  EXPECT_EQ(KeysText(s, kKindQuery), "alpha=1 omega=1");

  // A hover keeps the page number that its end restores.
  s.Results.ResultPageNumber = 3;
  s.DrawAndEventMap1GroupSelect(1, 4, true, Keys(s, u"gamma"));
  EXPECT_EQ(KeysText(s, kKindHovered), "gamma=1");
  EXPECT_EQ(s.Results.ResultPageNumber, 1);
  const int32_t written = f.view.pagesWritten;
  s.DrawAndEventMap1GroupSelect(0, 4, false, {});
  s.MapHoverEnd();
  EXPECT_EQ(KeysText(s, kKindHovered), "");
  EXPECT_EQ(s.Results.ResultPageNumber, 3);
  EXPECT_EQ(f.view.pagesWritten, written + 1);
}

TEST(SessionMapEvents, AWordHoveredAndLeftGivesThePageBack) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha beta gamma"}, {"http://d1/", u"alpha beta delta"}});
  SetWords(s, kKindQuery, u"alpha");
  s.AddSearchScope();  // the page shows the query line
  s.ContentMapReGenerate();
  s.ShowResults(-2, 0);
  const std::u16string before = f.view.page;
  const TNNKey delta{WordId(s, u"delta"), 0.0f};
  s.DrawAndEventMap1GroupSelect(1, 4, true, {delta});
  s.DrawAndEventMap1MouseToWord(delta, 0);
  EXPECT_NE(f.view.page, before);
  EXPECT_EQ(KeysText(s, kKindQuery), "alpha=1");
  s.DrawAndEventMap1GroupSelect(0, 4, false, {});
  s.MapHoverEnd();
  EXPECT_EQ(f.view.page, before);
  s.DrawAndEventMap1MouseOutWord(delta);
  EXPECT_EQ(s.Results.PageResults.HoverWordId(), -1);
}

// Two records of one text (two dictionaries' readings of "tables"): the
// query holds one, the pages the other. The map shows the text once, the
// query's; a click that would add a text the query holds adds nothing (no
// step, no change, no page) and the log says so; the rest of a group joins.
TEST(SessionMapEvents, AWordWhoseTextTheQueryHoldsJoinsItNoMore) {
  const struct {
    const char* name;
    std::vector<const char16_t*> clicked;  // "tables*" is the query's reading
    const char* query;                     // kind 0 afterwards
    bool changed;                          // a step, the project changed, the page shown
  } cases[] = {
      {"the pages' reading of a query word's text", {u"tables"}, "tide=1 tables=1", false},
      {"the query's own word", {u"tables*"}, "tide=1 tables=1", false},
      {"a group with one new word", {u"tables", u"port"}, "tide=1 tables=1 port=1", true},
      {"a new word", {u"harbor"}, "tide=1 tables=1 harbor=1", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    AddDocuments(s,
                 {{"http://d0/", u"tide tables port"}, {"http://d1/", u"tide tables harbor"}, {"http://d2/", u"tide"}});
    const int32_t pages = WordId(s, u"tables");
    const int32_t query = s.WordDictionary.AddWord(u"tables", 3, -1);  // a noun's record beside it
    ASSERT_NE(query, pages);
    s.ContentMap.Steps().SetKey(kKindQuery, {WordId(s, u"tide"), 1.0f}, true);
    s.ContentMap.Steps().SetKey(kKindQuery, {query, 1.0f}, true);
    s.ContentMapReGenerate();
    const TKeys& keys = s.ContentMap.Keys();
    ASSERT_NE(std::find_if(keys.begin(), keys.end(), [](const TKey& k) { return k.Name == u"port"; }), keys.end());
    EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](const TKey& k) { return k.Name == u"tables"; }), 1);
    EXPECT_NE(std::find_if(keys.begin(), keys.end(), [&](const TKey& k) { return k.Id == query; }), keys.end());

    s.ProjectFile.Modified = false;
    const int32_t written = f.view.pagesWritten;
    TNNKeys group;
    for (const char16_t* word : c.clicked) {
      group.push_back({std::u16string_view(word) == u"tables*" ? query : WordId(s, word), 1.0f});
    }
    s.DrawAndEventMap1GroupSelect(static_cast<int32_t>(group.size()), kGroupAddToQuery, true, group);
    EXPECT_EQ(KeysText(s, kKindQuery), c.query);
    EXPECT_EQ(s.ContentMap.Steps().CanBack(), c.changed);
    EXPECT_EQ(s.ProjectFile.Modified, c.changed);
    EXPECT_EQ(f.view.pagesWritten > written, c.changed);
    EXPECT_EQ(f.Log().find("\"tables\" (") != std::string::npos, c.clicked.front()[0] == u't') << f.Log();
    EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](const TKey& k) { return k.Name == u"tables"; }), 1);
  }
}

TEST(SessionMapEvents, PopupItems) {
  using Items = TKestruneSession::TMapPopupItems;
  struct Case {
    bool group, noQuery, excludedView, firstIsKind0, scopes;
    Items expected;
  } cases[] = {
      {true, true, false, false, true, {.pmAdd = true, .pmEditElement = true, .pmAddToStopWords = true}},
      {true, false, true, true, false,
       {.pmAdd = true, .pmRemoveFromExcluded = true, .pmEditWord = true, .pmEditElement = true}},
      {true, false, false, true, true,
       {.pmExclude = true, .pmRemovefromquery = true, .pmEditWord = true, .pmEditElement = true}},
      {true, false, false, false, true,
       {.pmAdd = true, .pmExclude = true, .pmEditElement = true, .pmAddToStopWords = true}},
      {true, false, true, false, false,
       {.pmAdd = true, .pmExclude = true, .pmEditElement = true, .pmAddToStopWords = true}},
      {false, false, false, false, false, {}},
      {false, true, false, false, true, {.pmShowEntryField = true, .pmScope = true}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    EXPECT_EQ(TKestruneSession::MapPopupItems(c.group, c.noQuery, c.excludedView, c.firstIsKind0, c.scopes),
              c.expected);
  }
  // The marked group decides: over a query word in the query view.
  TPageSession f;
  SetWords(f.S(), kKindQuery, u"alpha");
  f.S().DrawAndEventMap1GroupSelect(1, 15, true, Keys(f.S(), u"alpha"));
  EXPECT_EQ(f.S().PopupMenu1Popup(), TKestruneSession::MapPopupItems(true, false, false, true, false));
}

// The popup's items act on the group marked when it opened, twice in a
// row, while the word under the popup is hovered: the hover ends with it, and
// the page's query line names the word only as the item put it.
TEST(SessionMapEvents, PopupItemsActOnTheMarkedGroupOfAHoveredWord) {
  const struct {
    const char* name;
    bool exclude;
    std::string query;
    std::u16string line;
  } cases[] = {
      {"Exclude", true, "alpha=1", u"alpha -beta -delta"},
      {"Add", false, "alpha=1 beta=1 delta=1", u"alpha beta delta"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    AddDocuments(s, {{"http://d0/", u"alpha beta gamma"}, {"http://d1/", u"alpha beta delta"}});
    SetWords(s, kKindQuery, u"alpha");
    s.AddSearchScope();  // the page shows the query line
    s.ContentMapReGenerate();
    for (std::u16string_view word : {u"beta", u"delta"}) {
      const TNNKey key{WordId(s, word), 0.0f};
      s.DrawAndEventMap1GroupSelect(1, 4, true, {key});  // hovered
      s.ContentMap.SetHoveredKey(0);
      s.DrawAndEventMap1MouseToWord(key, 0);
      s.DrawAndEventMap1GroupSelect(1, 15, true, Keys(s, word));  // the popup opens over it
      if (c.exclude) {
        s.pmExcludeClick();
      } else {
        s.pmAddClick(-1);
      }
    }
    EXPECT_EQ(KeysText(s, kKindQuery), c.query);
    EXPECT_EQ(KeysText(s, kKindHovered), "");
    EXPECT_EQ(s.ContentMap.HoveredKey(), -1);
    EXPECT_EQ(s.Results.PageResults.HoverWordId(), -1);
    EXPECT_NE(f.view.page.find(c.line + u"</A>"), std::u16string::npos) << platform::Utf16ToUtf8(f.view.page);
  }
}

// The result page's menu acts on the word (or phrase) it was opened on, as
// if it were typed into the query box; its scope entries on the scope.
TEST(SessionMapEvents, ThePageMenuActsOnItsWord) {
  using Item = TKestruneSession::TPagePopupItem;
  const struct {
    const char* name;
    std::u16string word;
    Item item;
    std::u16string query;
  } cases[] = {
      {"add a word", u"beta", Item::AddToQuery1, u"alpha beta"},
      {"exclude a word", u"beta", Item::Excludefromquery1, u"alpha -beta"},
      {"exclude a phrase's words", u"beta%20delta", Item::Excludefromquery1, u"alpha -beta -delta"},
      {"no word", u"", Item::AddToQuery1, u"alpha"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    AddDocuments(s, {{"http://d0/", u"alpha beta gamma"}, {"http://d1/", u"alpha beta delta"}});
    SetWords(s, kKindQuery, u"alpha");
    s.ContentMapReGenerate();
    s.Commands.PagePopupWord = c.word;
    s.PagePopupClick(c.item);
    EXPECT_EQ(s.GetQueryText(), c.query);
    EXPECT_EQ(f.view.queryText, u"");  // the box is emptied again
  }
  // A scope: made current, then deleted.
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha beta gamma"}});
  SetWords(s, kKindQuery, u"beta");
  s.AddSearchScope();
  SetWords(s, kKindQuery, u"alpha");
  s.AddSearchScope();
  s.Commands.PagePopupScope = 0;
  s.PagePopupClick(Item::UpdateEntry1);
  EXPECT_EQ(s.GetQueryText(), u"beta");
  const int32_t pagesBefore = f.view.pagesWritten;
  s.PagePopupClick(Item::DeleteEntry1);
  EXPECT_EQ(s.Project.Scope.Count(), 1);
  EXPECT_EQ(f.view.pagesWritten, pagesBefore + 1);
  EXPECT_EQ(s.Results.LastPageMode, 5);
}

// A stop word is never a related word of the map, whichever record of its
// text carries the stop mark; a query word is always on it.
TEST(SessionMapEvents, AStopWordIsNoRelatedWordOfTheMap) {
  enum Mark { kNone, kFoundRecord, kOtherRecord, kQueryWord };
  const struct {
    const char* name;
    Mark mark;
    bool shown;
  } cases[] = {
      {"no stop word", kNone, true},
      {"the record the parse found", kFoundRecord, false},
      {"another record of its text", kOtherRecord, false},
      {"asked for", kQueryWord, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    AddDocuments(s, {{"http://d0/", u"alpha can gamma"}, {"http://d1/", u"alpha can delta"}});
    SetWords(s, kKindQuery, c.mark == kQueryWord ? u"alpha can" : u"alpha");
    const int32_t found = WordId(s, u"can");
    auto mark = [&s](int32_t id) {
      TWDWord* word = s.WordDictionary.GetWord(id);
      word->SetFlags(static_cast<uint16_t>(word->GetFlags() | TWDWord::kFlagMark));
    };
    if (c.mark == kFoundRecord || c.mark == kQueryWord) mark(found);
    if (c.mark == kOtherRecord) mark(s.WordDictionary.AddWord(u"can", 3, -1));  // a homograph
    s.ContentMapReGenerate();
    const TKeys& keys = s.ContentMap.Keys();
    EXPECT_EQ(std::any_of(keys.begin(), keys.end(), [&](const TKey& key) { return key.Id == found; }), c.shown);
    EXPECT_TRUE(std::any_of(keys.begin(), keys.end(), [&](const TKey& key) { return key.Id == WordId(s, u"gamma"); }));
  }
}

TEST(SessionMapEvents, RecommendedExclusionsAreEscaped) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha <b>&x"}, {"http://d1/", u"alpha a\"b"}, {"http://d2/", u"zeta <b>&x a\"b"}});
  SetWords(s, kKindQuery, u"alpha");
  s.OrderPageDocuments();
  EXPECT_EQ(s.GetContextWordsHtml(), u"");  // nothing removed yet
  s.ContentMap.Steps().SetValue(kKindMarks, 2, -1.0f, true);
  const std::u16string html = s.GetContextWordsHtml();
  EXPECT_NE(html.find(u"<a href=\"ExcludeWord_%3Cb%3E%26x\">&lt;b&gt;&amp;x</a>"), std::u16string::npos) << platform::Utf16ToUtf8(html);
  EXPECT_NE(html.find(u"<a href=\"ExcludeWord_a%22b\">a&quot;b</a>"), std::u16string::npos);
  EXPECT_EQ(html.find(u"zeta"), std::u16string::npos);  // not a word of the shown documents
  // The link gives the word back whole.
  const TPageCommand command =
      ClassifyPageUrl(s.PageUrlContext().TemplateFolderUrl + "ExcludeWord_%3Cb%3E%26x", s.PageUrlContext());
  EXPECT_EQ(command.Row, kPageCmdExcludeWord);
  EXPECT_EQ(command.Argument, u"<b>&x");
}

TEST(SessionSteps, UndoAndRedoAcrossASearchAndAStopWord) {
  TPageSession f;
  TKestruneSession& s = f.S();
  IControlKeys& steps = s.ContentMap.Steps();
  AddDocuments(s, {{"http://d0/", u"alpha one", 1, 1}, {"http://d1/", u"alpha two"}});
  SetWords(s, kKindQuery, u"alpha");
  steps.SetValue(kKindSettings, 2, 1.0f, true);
  s.RecountDocuments();
  // The second search brings d2.
  s.SaveKeysUndoState();
  AddDocuments(s, {{"http://d2/", u"alpha three", 2}});
  s.RecountDocuments();
  s.ContentMapReGenerate();
  EXPECT_EQ(test::PageUrls(s), "http://d0/ http://d1/ http://d2/");
  // A word made a stop word from the popup.
  s.DrawAndEventMap1GroupSelect(1, 15, true, Keys(s, u"three"));
  s.pmAddToStopWordsClick();
  const int32_t three = WordId(s, u"three");
  ASSERT_EQ(s.Project.StopWords, std::vector<std::u16string>{u"three"});
  EXPECT_TRUE(s.WordDictionary.GetWord(three)->GetFlags() & TWDWord::kFlagMark);

  s.BtnBackClick();  // the stop word goes
  EXPECT_TRUE(s.Project.StopWords.empty());
  EXPECT_FALSE(s.WordDictionary.GetWord(three)->GetFlags() & TWDWord::kFlagMark);
  EXPECT_EQ(s.Project.StepNumber, 2);
  s.BtnBackClick();  // before the second search: d2 vanishes
  EXPECT_EQ(s.Project.StepNumber, 1);
  EXPECT_EQ(test::PageUrls(s), "http://d0/ http://d1/");
  EXPECT_EQ(s.Project.Counters.Total, 2);
  EXPECT_TRUE(f.view.Enabled(TMainControl::IBitmapButtonRedo));
  EXPECT_FALSE(f.view.Enabled(TMainControl::IBitmapButtonUndo));

  s.BtnNextClick();
  s.BtnNextClick();
  EXPECT_EQ(s.Project.StepNumber, 2);
  EXPECT_EQ(s.Results.PageList.size(), 3u);
  EXPECT_EQ(s.Project.Counters.Total, 3);
  EXPECT_EQ(s.Project.Counters.AllFavoriteLinks, 1);
  EXPECT_EQ(s.Project.StopWords, std::vector<std::u16string>{u"three"});
  EXPECT_FALSE(f.view.Enabled(TMainControl::IBitmapButtonRedo));
}

TEST(SessionSteps, UndoInTheExcludedViewKeepsTheSides) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha beta gamma delta"}});
  SetWords(s, kKindQuery, u"alpha");
  SetWords(s, kKindExcluded, u"beta");
  s.IBitmapButton4Click();
  ASSERT_TRUE(s.ContentMap.ExcludedMode());
  EXPECT_EQ(KeysText(s, kKindQuery), "beta=1");
  // In this view a click on a word excludes it (group type 0).
  s.DrawAndEventMap1GroupSelect(1, 0, true, Keys(s, u"gamma"));
  EXPECT_EQ(KeysText(s, kKindQuery), "beta=1 gamma=1");
  s.BtnBackClick();
  EXPECT_TRUE(s.ContentMap.ExcludedMode());
  EXPECT_EQ(KeysText(s, kKindQuery), "beta=1");
  EXPECT_EQ(KeysText(s, kKindExcluded), "alpha=-10000");
  s.BtnNextClick();
  EXPECT_EQ(KeysText(s, kKindQuery), "beta=1 gamma=1");
  // A stop word made here and taken back: the network is fed again and the
  // keys keep this view's sides and weights.
  s.DrawAndEventMap1GroupSelect(1, 15, true, Keys(s, u"delta"));
  s.pmAddToStopWordsClick();
  s.BtnBackClick();
  EXPECT_TRUE(s.Project.StopWords.empty());
  EXPECT_EQ(KeysText(s, kKindQuery), "beta=1 gamma=1");
  EXPECT_EQ(KeysText(s, kKindExcluded), "alpha=-10000");
  // Every excluded word added to the query: the map goes back to the query
  // view, and the project stays.
  s.DrawAndEventMap1GroupSelect(2, 1, true, Keys(s, u"beta gamma"));
  f.view.RunAllQueued();
  EXPECT_FALSE(s.ContentMap.ExcludedMode());
  EXPECT_EQ(KeysText(s, kKindQuery), "alpha=1 beta=1 gamma=1");
  EXPECT_EQ(s.Project.Documents.size(), 1u);
}

// Every feed of the network made in the excluded-words view keeps each word
// on its side with this view's weight; a search's feed records the query
// words with weight 1 as its step's keys, any other feed leaves them.
TEST(SessionSteps, FeedsInTheExcludedViewKeepTheSides) {
  using TAction = std::function<void(TPageSession&)>;
  auto search = [](TPageSession& f) {
    TMetaSearchList item;
    item.Url = "http://found.example/";
    item.Title = u"alpha found";
    f.engine->results = {item};
    f.S().BtnMetasearchClick();
    f.view.RunAllQueued();
  };
  const struct {
    const char* name;
    TAction before, action;
    const char* keys;
    size_t documents;  // after the action
  } cases[] = {
      {"ADocumentDeleted", nullptr, [](TPageSession& f) { f.S().DeleteDocuments(1); }, "beta=1 | alpha=-10000", 1},
      {"AUserDocumentAdded", nullptr,
       [](TPageSession& f) { EXPECT_EQ(f.S().AddUserDocument(-1, u"http://user.example/", u"alpha mine", u"notes"), 0); },
       "beta=1 | alpha=-10000", 3},
      {"ASearchRun", nullptr, search, "beta=1 | alpha=-10000", 3},
      // An undone search, then a word excluded: the search's documents are
      // dropped once the handler is done.
      {"TheUndoneSearchDropped",
       [&search](TPageSession& f) {
         search(f);
         f.S().BtnBackClick();
         f.S().DrawAndEventMap1GroupSelect(1, 0, true, Keys(f.S(), u"gamma"));
       },
       [](TPageSession& f) { f.view.RunAllQueued(); }, "beta=1 gamma=1 | alpha=-10000", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPageSession f;
    TKestruneSession& s = f.S();
    AddDocuments(s, {{"http://d0/", u"alpha beta gamma delta"}, {"http://d1/", u"alpha old", 1, 2}});
    SetWords(s, kKindQuery, u"alpha");
    SetWords(s, kKindExcluded, u"beta");
    s.IBitmapButton4Click();
    ASSERT_TRUE(s.ContentMap.ExcludedMode());
    if (c.before) c.before(f);
    const std::string keys = KeysText(s, kKindQuery) + " | " + KeysText(s, kKindExcluded);
    EXPECT_EQ(keys, c.keys);
    c.action(f);
    EXPECT_EQ(s.Project.Documents.size(), c.documents);
    EXPECT_TRUE(s.ContentMap.ExcludedMode());
    EXPECT_EQ(KeysText(s, kKindQuery) + " | " + KeysText(s, kKindExcluded), keys);
    ASSERT_FALSE(s.Project.StepKeys.empty());
    if (std::string(c.name) != "ASearchRun") {
      EXPECT_TRUE(s.Project.StepKeys.back().empty());  // as AddDocuments left it
      continue;
    }
    ASSERT_EQ(s.Project.StepKeys.back().size(), 1u);
    EXPECT_EQ(s.Project.StepKeys.back()[0].Id, WordId(s, u"alpha"));
    EXPECT_EQ(s.Project.StepKeys.back()[0].Weight, 1.0f);
  }
}

TEST(SessionScopes, AddSelectDeleteAndMarks) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha"}, {"http://d1/", u"beta", 1, 4}, {"http://d2/", u"gamma", 1, 2}});
  SetWords(s, kKindQuery, u"alpha");
  s.AddSearchScope();
  s.AddSearchScope();  // the same query twice: one scope
  EXPECT_EQ(s.Project.Scope.Count(), 1);
  EXPECT_TRUE(f.view.Enabled(TMainControl::fullRefresh));
  // The scope reaches d0: d1 and d2 are outside every scope (old).
  EXPECT_EQ(s.Project.Documents[0].Flags & 2, 0);
  EXPECT_EQ(s.Project.Documents[1].Flags & 2, 2);
  EXPECT_EQ(s.Project.Counters.AllOldLinks, 2);
  SetWords(s, kKindQuery, u"beta");
  s.AddSearchScope();
  EXPECT_EQ(s.Project.Documents[1].Flags & 2, 0);
  EXPECT_EQ(s.Project.Counters.AllNewLinks, 1);
  // A marked document keeps its flags.
  s.ContentMap.Steps().SetValue(kKindMarks, 2, -1.0f, true);
  s.Project.Documents[2].Flags = 0;
  s.MarkScopeDocuments();
  EXPECT_EQ(s.Project.Documents[2].Flags, 0);

  // Selecting a scope never downloads.
  s.SelectScope(0);
  EXPECT_EQ(KeysText(s, kKindQuery), "alpha=1");
  EXPECT_EQ(s.Project.Scope.CurrentIndex(), 0);
  EXPECT_TRUE(f.engine->queries.empty());
  s.SelectScope(7);  // no such scope
  EXPECT_EQ(KeysText(s, kKindQuery), "alpha=1");

  // Deleting leaves the current query as a scope when none would remain;
  // Undo brings the deleted scopes back.
  s.DeleteScope(1);
  s.DeleteScope(0);
  ASSERT_EQ(s.Project.Scope.Count(), 1);
  EXPECT_EQ(s.Project.Scope.GetQueryText(0), u"alpha");
  s.BtnBackClick();
  EXPECT_EQ(s.Project.Scope.Count(), 1);
  s.BtnBackClick();
  EXPECT_EQ(s.Project.Scope.Count(), 2);
}

TEST(SessionScopes, AQueryAddedInTheExcludedViewKeepsItsSides) {
  TPageSession f;
  TKestruneSession& s = f.S();
  AddDocuments(s, {{"http://d0/", u"alpha"}, {"http://d1/", u"beta"}});
  SetWords(s, kKindQuery, u"alpha");
  SetWords(s, kKindExcluded, u"beta");
  s.ToggleExcludedView();
  ASSERT_TRUE(s.ContentMap.ExcludedMode());
  s.AddSearchScope();
  // The scope reaches d0 (alpha without beta); d1 lies outside it.
  EXPECT_EQ(s.Project.Documents[0].Flags & 2, 0);
  EXPECT_EQ(s.Project.Documents[1].Flags & 2, 2);
  s.LeaveExcludedView();
  s.SelectScope(0);
  EXPECT_EQ(KeysText(s, kKindQuery), "alpha=1");
  EXPECT_EQ(KeysText(s, kKindExcluded), "beta=-10000");
}

TEST(SessionScopes, FullRefreshFlagsExactlyTheNewDocuments) {
  TPageSession f;
  TKestruneSession& s = f.S();
  auto item = [](std::string url, std::u16string title) {
    TMetaSearchList result;
    result.Url = std::move(url);
    result.Title = std::move(title);
    result.Annotation = u" about alpha";
    result.Label = "1 - Loopback";
    return result;
  };
  f.engine->results = {item("http://a/", u"alpha one"), item("http://b/", u"alpha two")};
  f.view.queryText = u"alpha";
  f.view.Control(TMainControl::IComboBox1).Visible = true;
  s.QueryKeyUp(13);
  f.view.RunAllQueued();
  ASSERT_EQ(s.Project.Documents.size(), 2u);
  ASSERT_EQ(s.Project.Scope.Count(), 1);
  s.Project.Documents[0].Flags = 4;  // new since an earlier refresh
  // A second search, undone: the refresh starts a new branch, and its
  // document goes.
  f.engine->results = {item("http://e/", u"alpha gamma")};
  f.view.queryText = u"alpha gamma";
  f.view.Control(TMainControl::IComboBox1).Visible = true;
  s.QueryKeyUp(13);
  s.BtnMetasearchClick();
  f.view.RunAllQueued();
  ASSERT_EQ(s.Project.Documents.size(), 3u);
  s.BtnBackClick();
  ASSERT_EQ(s.Project.StepNumber, 1);
  ASSERT_EQ(s.Project.Scope.Count(), 1);  // the undone search's scope went with it
  const std::string query = KeysText(s, kKindQuery);

  f.engine->results = {item("http://b/", u"alpha two"), item("http://c/", u"alpha three"),
                       item("http://d/", u"alpha four")};
  s.fullRefreshClick();
  f.view.RunAllQueued();
  ASSERT_EQ(s.Project.Documents.size(), 4u);
  EXPECT_EQ(s.DocumentOfUrl("http://e/"), -1);
  EXPECT_EQ(s.Project.StepNumber * 10 + static_cast<int32_t>(s.Project.StepKeys.size()), 22);
  EXPECT_EQ(f.engine->queries.size(), 3u);
  for (const TMetaSearchList& document : s.Project.Documents) {
    const bool fresh = document.Url == "http://c/" || document.Url == "http://d/";
    EXPECT_EQ(document.Flags & 4, fresh ? 4 : 0) << document.Url;
  }
  EXPECT_EQ(s.Project.Counters.AllNewLinks, 2);
  EXPECT_EQ(KeysText(s, kKindQuery), query);
  EXPECT_FALSE(f.view.Enabled(TMainControl::IBitmapButtonUndo));
  EXPECT_FALSE(s.SearchRunning());
}

TEST(SessionDocuments, RandomDeletionsKeepEveryReference) {
  std::mt19937 random(22);
  for (int32_t round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    TPageSession f;
    TKestruneSession& s = f.S();
    const int32_t n = 5 + static_cast<int32_t>(random() % 20);
    std::vector<test::TDoc> docs;
    for (int32_t i = 0; i < n; ++i) {
      docs.push_back({"http://d" + std::to_string(i) + ".example/", u"alpha", 1, static_cast<int32_t>(random() % 8)});
    }
    AddDocuments(s, docs);
    SetWords(s, kKindQuery, u"alpha");
    IControlKeys& steps = s.ContentMap.Steps();
    auto marksByUrl = [&] {
      std::map<std::string, float> marks;
      for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
        EXPECT_LT(cell.Key.Id, static_cast<int32_t>(s.Project.Documents.size()));
        if (cell.Key.Id < static_cast<int32_t>(s.Project.Documents.size())) {
          marks[s.Project.Documents[static_cast<size_t>(cell.Key.Id)].Url] = cell.Key.Weight;
        }
      }
      return marks;
    };
    // Marks over three steps of the ring, as URL -> mark per step.
    std::vector<std::map<std::string, float>> model;
    for (int32_t step = 0; step < 3; ++step) {
      if (step > 0) {
        s.SaveKeysUndoState();
        SetWords(s, kKindQuery, step == 1 ? u"alpha one" : u"alpha");
      }
      for (int32_t k = 0; k < 4; ++k) {
        steps.SetValue(kKindMarks, static_cast<int32_t>(random() % static_cast<uint32_t>(n)),
                       -1.0f - static_cast<float>(random() % 3), true);
      }
      s.RebuildMarkCounters();  // the step keeps its counters
      model.push_back(marksByUrl());
    }
    const int32_t documentClass = 1 + static_cast<int32_t>(random() % 3);
    std::set<std::string> kept;
    for (const TMetaSearchList& document : s.Project.Documents) {
      const float m = model.back().count(document.Url) ? model.back()[document.Url] : 0.0f;
      const bool gone = (documentClass == 1 && m == 0.0f && (document.Flags & 2)) ||
                        (documentClass == 2 && (m == -1.0f || m == -3.0f)) ||
                        (documentClass == 3 && (m == -2.0f || m == -3.0f));
      if (!gone) kept.insert(document.Url);
    }
    s.DeleteDocuments(documentClass);
    ASSERT_EQ(s.Project.Documents.size(), kept.size());
    for (size_t i = 0; i < s.Project.Documents.size(); ++i) EXPECT_EQ(s.DocumentOfUrl(s.Project.Documents[i].Url), static_cast<int32_t>(i));
    // The network was fed again: its pages are the kept documents.
    int32_t count = n;
    TNNKeys found;
    s.IContextMS1.GetFiles({{WordId(s, u"alpha"), 1.0f}}, {}, count, found, 0);
    std::set<std::string> reached;
    for (int32_t i = 0; i < count; ++i) {
      ASSERT_LT(found[static_cast<size_t>(i)].Id, static_cast<int32_t>(s.Project.Documents.size()));
      reached.insert(s.Project.Documents[static_cast<size_t>(found[static_cast<size_t>(i)].Id)].Url);
    }
    EXPECT_EQ(reached, kept);
    // Every step's marks still name the same documents, those deleted gone.
    for (int32_t step = 2; step >= 0; --step) {
      std::map<std::string, float> expected;
      for (const auto& [url, mark] : model[static_cast<size_t>(step)]) {
        if (kept.count(url)) expected[url] = mark;
      }
      EXPECT_EQ(marksByUrl(), expected);
      // Its counters count the marks left (every document is a site).
      const auto count = [&](float a, float b) {
        return std::count_if(expected.begin(), expected.end(),
                             [&](const auto& e) { return e.second == a || e.second == b; });
      };
      EXPECT_EQ(s.Project.Counters.RemovedLinks, count(-1.0f, -3.0f));
      EXPECT_EQ(s.Project.Counters.HiddenSites, count(-2.0f, -3.0f));
      if (step > 0) s.BtnBackClick();
    }
  }
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// The two view buttons of the map: each enters its view once, and a button
// that is down already does nothing.
TEST(SessionViewButtons, EachButtonEntersItsViewOnce) {
  struct Case {
    const char* clicks;  // "x" the excluded-words button, "q" the query button
    bool excludedView;
    bool excludedDown;
    const char* query;
  } cases[] = {
      {"x", true, true, "beta=1"},
      {"xx", true, true, "beta=1"},   // down already: the view stays
      {"xq", false, false, "alpha=1"},
      {"q", false, false, "alpha=1"},  // the query view is shown already
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clicks);
    test::TPageSession f;
    TKestruneSession& s = f.S();
    test::AddDocuments(s, {{"http://d0/", u"alpha beta gamma delta"}});
    test::SetWords(s, kKindQuery, u"alpha");
    test::SetWords(s, kKindExcluded, u"beta");
    for (const char* click = c.clicks; *click; ++click) {
      if (*click == 'x') {
        s.ExcludedWordsButtonClick();
      } else {
        s.IBitmapButton2Click();
      }
    }
    EXPECT_EQ(s.ContentMap.ExcludedMode(), c.excludedView);
    EXPECT_EQ(f.view.Down(TMainControl::IBitmapButton4), c.excludedDown);
    EXPECT_EQ(f.view.Down(TMainControl::IBitmapButton2), !c.excludedDown);
    EXPECT_EQ(test::KeysText(s, kKindQuery), c.query);
  }
}

}  // namespace
}  // namespace kestrune
