// The meta-search run on the recording fakes: the run's states, the merge of
// results into the documents, the paragraphs the network is fed from, and
// the hiding of a site's documents.
#include <gtest/gtest.h>

#include "app/connect_probe.h"
#include "core/message_strings.h"
#include "tests/app/session_fixture.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using test::TSessionFixture;

TMetaSearchList Item(std::string url, std::u16string annotation = u" about", std::string label = "1 - Loopback") {
  TMetaSearchList item;
  item.Url = std::move(url);
  item.Title = u"Title";
  item.Annotation = std::move(annotation);
  item.Label = std::move(label);
  return item;
}

// Pages that tell the page modes apart.
void WritePages(test::TestProgram& p) {
  for (const auto& [file, text] : {std::pair{"blank4.html", "searching"}, {"blank1.html", "no connection"},
                                   {"blank3.html", "nothing found"},
                                   {"templates.ini", "<search_result>results</search_result>"}}) {
    test::WriteFileBytes(p.Program() + "templates/en/" + file, text);
  }
}

void TypeQuery(TSessionFixture& f, std::u16string_view query) {
  f.view.queryText = query;
  f.view.Control(TMainControl::IComboBox1).Visible = true;
  f.session->QueryKeyUp(13);
  f.view.RunAllQueued();
}

TEST(SearchRun, States) {
  enum Proxy { kNoProxy, kLoginRefused, kLoginNoLongerAsked };
  const struct {
    const char* name;
    int statusBefore = 0, statusAfter = 0;
    size_t results = 3;
    Proxy proxy = kNoProxy;
    bool stop = false;
    int32_t links = 100;
    // Expected: searches started, StepNumber, the pages from the search page on.
    size_t searches;
    int32_t steps;
    const char* pages;
    int32_t urlCount = 100;
    std::u16string notice = u"";  // what the last page says of the search's end
  } cases[] = {
      {.name = "Results", .searches = 1, .steps = 1, .pages = "searching|results"},
      {.name = "NoLinkCountAsksForFifty", .links = 0, .searches = 1, .steps = 1, .pages = "searching|results",
       .urlCount = 50},
      {.name = "TemplateFailedBefore", .statusBefore = 1, .searches = 0, .steps = 0, .pages = "searching|nothing found"},
      {.name = "NoConnectionAfter", .statusAfter = 2, .searches = 1, .steps = 0, .pages = "searching|no connection",
       .notice = MessageStrings.smEngineUnreachable},
      {.name = "NoResultsAddNoStep", .results = 0, .searches = 1, .steps = 0, .pages = "searching|nothing found"},
      // The login was cancelled (no prompt answers): nothing was sent, and the
      // page says so rather than "nothing found".
      {.name = "ProxyStillWantsALogin", .proxy = kLoginRefused, .searches = 0, .steps = 0,
       .pages = "searching|no connection", .notice = MessageStrings.smProxyLoginCancelled},
      {.name = "ProxyNoLongerAsks", .proxy = kLoginNoLongerAsked, .searches = 1, .steps = 1,
       .pages = "searching|results"},
      {.name = "StopKeepsWhatWasFound", .stop = true, .searches = 1, .steps = 1, .pages = "searching|results",
       .notice = MessageStrings.smSearchStopped + u" " + MessageStrings.smSearchEndedEarly},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f(WritePages);
    TKestruneSession& s = *f.session;
    test::LoopbackHttpServer server;
    test::ScopedEnv noProxy("no_proxy", "*");
    server.SetFallback([&](const test::HttpRequestRecord&) {
      return c.proxy == kLoginRefused ? test::HttpReply::Status(407) : test::HttpReply::Text("version=1");
    });
    TConnectProbe probe;
    probe.SetUrl(server.Url("/probe"));
    probe.ConnectState = c.proxy == kNoProxy ? 0 : 2;
    s.Run.Probe = &probe;
    s.Config.LinksToDownload = c.links;
    f.engine->status = c.statusBefore;
    f.engine->statusAfter = c.statusAfter;
    for (size_t i = 0; i < c.results; ++i) f.engine->results.push_back(Item("http://a.example/" + std::to_string(i)));
    f.engine->hold = c.stop;
    if (c.stop) f.view.PostToUi([&s] { s.BtnStopClick(); });

    TypeQuery(f, u"alpha");
    std::string pages;
    for (const std::u16string& page : f.view.pages) {
      if (!pages.empty() || page == u"searching") pages += (pages.empty() ? "" : "|") + platform::Utf16ToUtf8(page);
    }
    EXPECT_EQ(pages, c.pages);
    EXPECT_EQ(s.Results.PageResults.SearchNotice, c.notice);
    EXPECT_EQ(f.engine->queries.size(), c.searches);
    EXPECT_EQ(f.engine->stops, c.stop ? 1 : 0);
    EXPECT_EQ(f.engine->urlCount, c.urlCount);
    EXPECT_EQ(f.engine->status, 0);
    EXPECT_EQ(probe.ConnectState.load(), c.proxy == kLoginRefused ? 2 : 0);
    EXPECT_EQ(s.Project.StepNumber * 10 + static_cast<int32_t>(s.Project.StepKeys.size()), c.steps * 11);
    EXPECT_EQ(s.Project.Documents.size(), c.steps ? c.results : 0);
    // The window is itself again.
    EXPECT_TRUE(!s.SearchRunning() && s.Run.StopRequested && !f.view.busyCursor && f.map.enabled && f.view.progress == 0);
    EXPECT_EQ(f.map.state & IMapViewOps::kStateSearch, 0u);
    for (TMainControl control : {TMainControl::IBitmapButtonStop, TMainControl::IProgressBar1, TMainControl::ibitmap27,
                                 TMainControl::IBitmapButtonUndo}) {
      EXPECT_FALSE(f.view.Enabled(control) && f.view.Visible(control)) << static_cast<int>(control);
    }
    for (TMainControl control : {TMainControl::IBitmapButtonNew, TMainControl::CBWebSite, TMainControl::TrackBar,
                                 TMainControl::ibitmapButton1, TMainControl::IBitmapButton2}) {
      EXPECT_TRUE(f.view.Enabled(control)) << static_cast<int>(control);
    }
  }
}

// A search that leaves the project without documents does not mark it
// changed (its scope is no work to save) and leaves Save as it was, so
// closing and New query ask nothing; one that brought documents does. A mark
// made before the search stays.
TEST(SearchRun, OnlyASearchThatLeavesDocumentsMarksTheProject) {
  const struct {
    const char* name;
    size_t results = 0;
    bool stop = false;
    int statusAfter = 0;
    int32_t refusals = 0;
    bool markedBefore = false;
    bool refresh = false;  // "Refresh" after the typed search, with its results
    bool marked;
  } cases[] = {
      {.name = "Empty", .marked = false},
      {.name = "StoppedWithNothing", .stop = true, .marked = false},
      {.name = "StoppedWithItems", .results = 2, .stop = true, .marked = true},
      {.name = "Merged", .results = 2, .marked = true},
      {.name = "RefreshEmpty", .refresh = true, .marked = false},
      {.name = "RefreshMerged", .results = 1, .refresh = true, .marked = true},
      {.name = "MarkedBeforeAnEmptySearch", .markedBefore = true, .marked = true},
      {.name = "Failed", .statusAfter = 2, .marked = false},
      {.name = "Refused", .refusals = 1, .marked = false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f(WritePages);
    TKestruneSession& s = *f.session;
    f.engine->statusAfter = c.statusAfter;
    f.engine->refusals = c.refusals;
    s.ProjectFile.Modified = c.markedBefore;
    f.view.SetEnabled(TMainControl::IBitmapButton7, c.markedBefore);
    if (!c.refresh) {
      for (size_t i = 0; i < c.results; ++i) f.engine->results.push_back(Item("http://a.example/" + std::to_string(i)));
    }
    f.engine->hold = c.stop;
    if (c.stop) f.view.PostToUi([&s] { s.BtnStopClick(); });
    TypeQuery(f, u"alpha");
    if (c.refresh) {
      for (size_t i = 0; i < c.results; ++i) f.engine->results.push_back(Item("http://a.example/" + std::to_string(i)));
      s.BtnMetasearchClick();
      f.view.RunAllQueued();
      EXPECT_EQ(f.engine->queries.size(), 2u);
    }
    EXPECT_EQ(s.Project.Documents.size(), c.results);
    EXPECT_EQ(s.ProjectFile.Modified, c.marked);
    EXPECT_EQ(f.view.Enabled(TMainControl::IBitmapButton7), c.marked);  // Save as the mark
    // Closing, then New query: the save question only over a changed project.
    f.view.saveAnswer = platform::kIdCancel;
    EXPECT_EQ(s.SaveQuestion(TKestruneSession::TSaveQuestionAt::Close), c.marked);
    EXPECT_EQ(f.view.saveQuestions, c.marked ? 1 : 0);
    s.IBitmapButtonNewClick();
    EXPECT_EQ(f.view.saveQuestions, c.marked ? 2 : 0);
  }
}

// Before any search there is nothing to undo, redo, refresh or stop.
TEST(SearchRun, NothingToStopBeforeTheFirstSearch) {
  TSessionFixture f;
  for (TMainControl control : {TMainControl::IBitmapButtonStop, TMainControl::IBitmapButtonUndo,
                               TMainControl::IBitmapButtonRedo, TMainControl::ibitmapButton1,
                               TMainControl::fullRefresh}) {
    EXPECT_FALSE(f.view.Enabled(control)) << static_cast<int>(control);
  }
}

// A download that fails after an earlier search brought documents: Undo and
// Redo follow the steps, not what the earlier merge counted.
TEST(SearchRun, AFailedDownloadAfterResultsLeavesUndoToTheSteps) {
  TSessionFixture f(WritePages);
  TKestruneSession& s = *f.session;
  for (int i = 0; i < 3; ++i) f.engine->results.push_back(Item("http://a.example/" + std::to_string(i)));
  TypeQuery(f, u"alpha");
  ASSERT_EQ(s.Project.Documents.size(), 3u);
  s.SaveKeysUndoState();
  f.engine->results.clear();
  f.engine->statusAfter = ISearchEngine::kStatusNoConnection;
  s.StartNewSearch();  // as the page's automatic search does
  EXPECT_EQ(f.engine->queries.size(), 2u);
  EXPECT_TRUE(f.view.Enabled(TMainControl::IBitmapButtonUndo));
  EXPECT_FALSE(f.view.Enabled(TMainControl::IBitmapButtonRedo));
}

// A search started from a list view (Refresh) shows the normal view again:
// the map that the list view dimmed and held busy is usable again.
TEST(SearchRun, AListViewGivesBackTheMap) {
  for (int32_t mode : {1, 2, 6}) {
    SCOPED_TRACE(mode);
    TSessionFixture f(WritePages);
    TKestruneSession& s = *f.session;
    f.engine->results = {Item("http://a.example/1")};
    TypeQuery(f, u"alpha");
    s.SetViewMode(mode);
    ASSERT_TRUE(s.ContentMap.Dimmed() && (f.map.state & IMapViewOps::kStateBusy) != 0);
    s.BtnMetasearchClick();
    EXPECT_EQ(s.Results.ViewMode, 0);
    EXPECT_FALSE(s.ContentMap.Dimmed());
    EXPECT_EQ(f.map.state & IMapViewOps::kStateBusy, 0u);
  }
}

// The full refresh searches every scope in turn. A scope whose search the
// engine refuses is passed over: the engine's array still holds the last
// search's items, which answer no query of that scope.
TEST(SearchRun, AFullRefreshPassesOverAScopeTheEngineRefuses) {
  const struct {
    const char* name;
    int32_t refusals;
    const char* queries;  // the searches the refresh started
    int32_t merges;       // the searches it added as steps
  } cases[] = {
      {"EveryScope", 0, "alpha|beta", 2},
      {"FirstRefused", 1, "beta", 1},
      {"AllRefused", 2, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f(WritePages);
    TKestruneSession& s = *f.session;
    f.engine->results = {Item("http://a.example/1")};
    TypeQuery(f, u"alpha");
    ASSERT_EQ(s.Project.Scope.Count(), 1);
    s.Project.Scope.Add({{s.WordDictionary.AddWord(u"beta", 0, -1), 1.0f}}, {});
    const int32_t stepsBefore = s.Project.StepNumber;
    f.engine->queries.clear();
    f.engine->results = {Item("http://b.example/1")};
    f.engine->refusals = c.refusals;

    s.fullRefreshClick();
    std::string queries;
    for (const std::u16string& query : f.engine->queries) {
      queries += (queries.empty() ? "" : "|") + platform::Utf16ToUtf8(query);
    }
    EXPECT_EQ(queries, c.queries);
    EXPECT_EQ(s.Project.StepNumber - stepsBefore, c.merges);
    EXPECT_EQ(s.Project.Documents.size(), c.merges > 0 ? 2u : 1u);
    EXPECT_TRUE(!s.SearchRunning() && s.Run.StopRequested && !f.view.busyCursor);
    EXPECT_EQ(test::KeysText(s, kKindQuery), "alpha=1");  // the step's own query again
  }
}

// Each search brings its items; the documents are summed up as
// "url: annotation / label / position / query number / step".
TEST(MergeResults, Cases) {
  const struct {
    const char* name;
    std::vector<TMetaSearchList2> searches;
    std::vector<std::string> documents;
    bool relistBetween = false;  // the address list is made anew between the searches
  } cases[] = {
      {"AKnownAddressGrowsOnlyByNewText",
       {{Item("u1", u" one")}, {Item("u1", u" one")}, {Item("u1", u" two")}, {Item("u1", u"")}},
       {"u1:  one  two / 1 - Loopback / 0 / 3 / 1"}},
      {"OneAddressTwiceInOneSearch", {{Item("u1", u" a", "1 - E"), Item("u1", u" b", "2 - E")}}, {"u1:  a  b / 2 - E / 1 / 0 / 1"}},
      {"AddressesDifferingInCaseAreTwo",
       {{Item("http://x.example/A"), Item("http://x.example/a")}},
       {"http://x.example/A:  about / 1 - Loopback / 0 / 0 / 1", "http://x.example/a:  about / 1 - Loopback / 1 / 0 / 1"}},
      {"PositionsAfterTwoSearches",
       {{Item("u1", u" x", "1 - E"), Item("u2", u" x", "2 - E"), Item("u3", u" x", "3 - E")},
        {Item("u3", u" x", "1 - E"), Item("u4", u" x", "2 - E")}},
       {"u1:  x / 1 / 2 / 0 / 1", "u2:  x / 2 / 3 / 0 / 1", "u3:  x / 1 - E / 0 / 1 / 1", "u4:  x / 2 - E / 1 / 1 / 2"}},
      {"LabelsCutOneSearchLater",
       {{Item("u1", u" x", "12 - Loop Engine"), Item("u2", u" x", "Loop")}, {Item("u3", u" x", "1 - E")}, {Item("u4")}},
       {"u1:  x / 12 / 2 / 0 / 1", "u2:  x / Loop / 3 / 0 / 1", "u3:  x / 1 / 1 / 1 / 2",
        "u4:  about / 1 - Loopback / 0 / 2 / 3"}},
      {"AnAddressBeyondAsciiStaysOneDocument",
       {{Item("http://x.example/stra\xC3\x9F" "e", u" a", "1 - E")}, {Item("http://x.example/stra\xC3\x9F" "e", u" b", "1 - E")}},
       {"http://x.example/stra\xC3\x9F" "e:  a  b / 1 - E / 0 / 1 / 1"},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    for (size_t k = 0; k < c.searches.size(); ++k) {
      f.engine->results = c.searches[k];
      if (k > 0 && c.relistBetween) s.DeleteDocuments(0);
      k == 0 ? TypeQuery(f, u"alpha") : s.BtnMetasearchClick();
      f.view.RunAllQueued();
    }
    std::vector<std::string> documents;
    for (const TMetaSearchList& d : s.Project.Documents) {
      documents.push_back(d.Url + ": " + platform::Utf16ToUtf8(d.Annotation) + " / " + d.Label + " / " +
                          std::to_string(d.Position) + " / " + std::to_string(d.QueryNumber) + " / " +
                          std::to_string(d.Step));
    }
    EXPECT_EQ(documents, c.documents);
    EXPECT_EQ(s.Project.IMetaList.Count(), static_cast<int32_t>(s.Project.Documents.size()));
  }
}

// The non-separator words of a paragraph of the last parse.
std::string ParagraphWords(TKestruneSession& s, int32_t p) {
  const TParsingText& parse = s.TextParsing.ParsingText();
  std::string words;
  for (int32_t k = 0; k < parse.Paragraph(p).SentenceCount; ++k) {
    const TParsingSentence& sentence = parse.Sentence(parse.Paragraph(p).FirstSentence + k);
    for (int32_t w = sentence.FirstWord; w < sentence.FirstWord + sentence.WordCount; ++w) {
      if ((parse.Word(w).Flags & TParsingWord::kSeparator) != 0) continue;
      words += (words.empty() ? "" : " ") + platform::Utf16ToUtf8(s.WordDictionary.GetWord(parse.Word(w).WordId)->GetText());
    }
  }
  return words;
}

// Every document owns paragraphs 3j, 3j+1 and 3j+2, whatever its texts hold;
// the query owns the last one; a query word is no stop word.
TEST(FeedNetwork, ParagraphOwnership) {
  const struct {
    std::u16string title, annotation;
    int32_t queryNumber;
    const char *titleWords, *annotationWords;
  } documents[] = {
      {u"", u"first annotation", 0, "", "first annotation"},
      {u"Line one\r\nline two", u"crlf", 0, "line one line two", "crlf"},
      {u"unix\nstyle", u"lone\rcarriage", 5, "unix style", "lone carriage"},  // a query number outside StepKeys
      {u" ", u"user document", -1, "", "user document"},
  };
  for (bool shop : {false, true}) {
    SCOPED_TRACE(shop);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    TypeQuery(f, u"alpha");  // no results: the query's keys only
    s.Project.StepKeys = {{s.ContentMap.Steps().GetCurrent()[kKindQuery].at(0).Key}};
    s.WordDictionary.MarkWord(u"alpha");
    s.Project.StopWords = {u"Alpha", u"beta"};  // kept as the word list spells it
    for (const auto& d : documents) {
      TMetaSearchList document;
      document.Url = "http://a.example/";
      document.Annotation = d.annotation;
      document.Title = d.title;
      document.QueryNumber = d.queryNumber;
      s.Project.Documents.push_back(document);
    }
    s.Config.CurrentEngineTemplate = shop ? "amazon" : "loopback";
    s.FeedNetwork(u"alpha", TKestruneSession::TFeedReason::Search);
    ASSERT_EQ(s.TextParsing.ParsingText().ParagraphCount, 3 * static_cast<int32_t>(std::size(documents)) + 1);
    for (int32_t j = 0; j < static_cast<int32_t>(std::size(documents)); ++j) {
      EXPECT_EQ(ParagraphWords(s, 3 * j), documents[j].titleWords) << j;
      // The shop's annotations carry the keys of their document's query.
      const bool keyed = shop && documents[j].queryNumber == 0;
      EXPECT_EQ(ParagraphWords(s, 3 * j + 1), std::string(documents[j].annotationWords) + (keyed ? " alpha" : "")) << j;
      EXPECT_EQ(ParagraphWords(s, 3 * j + 2), "http a example") << j;
    }
    EXPECT_EQ(ParagraphWords(s, 3 * static_cast<int32_t>(std::size(documents))), "alpha");
    EXPECT_EQ(test::KeysText(s, kKindQuery), "alpha=1");
    TWordVariant hit;
    ASSERT_GT(s.WordDictionary.FindFirst(u"alpha", hit, 0), 0);
    EXPECT_EQ(s.WordDictionary.GetWord(hit.WordIndex)->GetFlags() & TWDWord::kFlagMark, 0);
    EXPECT_EQ(s.Project.StopWords, std::vector<std::u16string>{u"beta"});
  }
}

TEST(HideSiteDocuments, MarksAndCounters) {
  const struct {
    const char* url;
    bool usedAsKey;
    float mark, markAfter;  // 0: none
    int32_t flags;  // kept: a document shown again is as it was
  } documents[] = {
      {"http://example.com/a", true, 0, -2, 0},  // a document used as a key is hidden instead
      {"http://www.example.com/b", false, -1, -3, 1},  // a removed link on a hidden site
      {"http://news.example.com/c", false, 0, -2, 1 | 4},
      {"http://example.com/d", false, -2, -2, 2},
      {"http://example.com/e", false, 0, -2, 2 | 4},
      {"http://other.example/f", false, 0, 0, 1 | 4},  // another site stays
      {"http://other.example/g", true, -1, -1, 1},
  };
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  IControlKeys& steps = s.ContentMap.Steps();
  for (int32_t j = 0; j < static_cast<int32_t>(std::size(documents)); ++j) {
    TMetaSearchList document;
    document.Url = documents[j].url;
    document.Flags = documents[j].flags;
    s.Project.Documents.push_back(document);
    if (documents[j].usedAsKey) steps.SetValue(kKindDocuments, j, 1.0f);
    if (documents[j].mark != 0) steps.SetValue(kKindMarks, j, documents[j].mark);
  }
  s.Project.Counters.AllFavoriteLinks = 3;
  s.Project.Counters.AllNewLinks = 2;
  s.Project.Counters.AllOldLinks = 2;
  s.HideSiteDocuments("example.com");
  for (int32_t j = 0; j < static_cast<int32_t>(std::size(documents)); ++j) {
    float mark = 0;
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) mark = cell.Key.Id == j ? cell.Key.Weight : mark;
    EXPECT_EQ(mark, documents[j].markAfter) << j;
    EXPECT_EQ(s.Project.Documents[static_cast<size_t>(j)].Flags, documents[j].flags) << j;
  }
  ASSERT_EQ(steps.GetCurrent()[kKindDocuments].size(), 1u);
  EXPECT_EQ(steps.GetCurrent()[kKindDocuments][0].Key.Id, 6);
  // The counters count the documents shown: f alone (g is a removed link).
  EXPECT_EQ(s.Project.Counters.AllFavoriteLinks, 1);
  EXPECT_EQ(s.Project.Counters.AllOldLinks, 0);
  EXPECT_EQ(s.Project.Counters.AllNewLinks, 1);
}

}  // namespace
}  // namespace kestrune
