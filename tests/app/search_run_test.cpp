// The meta-search run on the recording fakes: the run's states, the merge of
// results into the documents, the paragraphs the network is fed from, and
// the hiding of a site's documents.
#include <gtest/gtest.h>

#include <sstream>

#include "app/connect_probe.h"
#include "core/message_strings.h"
#include "tests/app/session_fixture.h"
#include "tests/support/loopback_http_server.h"

namespace kestrune {
namespace {

using test::TestProgram;
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
void WritePages(TestProgram& p) {
  const std::pair<const char*, const char*> pages[] = {{"blank4.html", "searching"},
                                                       {"blank1.html", "no connection"},
                                                       {"blank3.html", "nothing found"},
                                                       {"blank.html", "start"},
                                                       {"templates.ini", "<search_result>results</search_result>"}};
  for (const auto& [file, text] : pages) test::WriteFileBytes(p.Program() + "templates/en/" + file, text);
}

// The pages shown from the search page on, joined by "|".
std::string RunPages(const test::TRecordingMainView& view) {
  std::string text;
  bool running = false;
  for (const std::u16string& page : view.pages) {
    running = running || page == u"searching";
    if (running) text += (text.empty() ? "" : "|") + platform::Utf16ToUtf8(page);
  }
  return text;
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
    // Expected.
    size_t searches;
    int32_t steps;
    const char* pages;
    int32_t urlCount = 100;
    bool undo = false;
  } cases[] = {
      {.name = "Results", .searches = 1, .steps = 1, .pages = "searching|results"},
      {.name = "NoLinkCountAsksForFifty", .links = 0, .searches = 1, .steps = 1, .pages = "searching|results",
       .urlCount = 50},
      {.name = "TemplateFailedBefore", .statusBefore = 1, .searches = 0, .steps = 0,
       .pages = "searching|nothing found"},
      {.name = "NoConnectionAfter", .statusAfter = 2, .searches = 1, .steps = 0,
       .pages = "searching|no connection"},
      {.name = "NoResultsAddNoStep", .results = 0, .searches = 1, .steps = 0, .pages = "searching|nothing found"},
      {.name = "ProxyStillWantsALogin", .proxy = kLoginRefused, .searches = 0, .steps = 0,
       .pages = "searching|nothing found"},
      {.name = "ProxyNoLongerAsks", .proxy = kLoginNoLongerAsked, .searches = 1, .steps = 1,
       .pages = "searching|results"},
      {.name = "StopKeepsWhatWasFound", .stop = true, .searches = 1, .steps = 1, .pages = "searching|results"},
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
    s.Probe = &probe;
    s.LinksToDownload = c.links;
    f.engine->status = c.statusBefore;
    f.engine->statusAfter = c.statusAfter;
    for (size_t i = 0; i < c.results; ++i) f.engine->results.push_back(Item("http://a.example/" + std::to_string(i)));
    f.engine->hold = c.stop;
    if (c.stop) f.view.PostToUi([&s] { s.BtnStopClick(); });

    TypeQuery(f, u"alpha");
    EXPECT_EQ(f.engine->queries.size(), c.searches);
    EXPECT_EQ(f.engine->stops, c.stop ? 1 : 0);
    EXPECT_EQ(f.engine->urlCount, c.urlCount);
    EXPECT_EQ(s.StepNumber, c.steps);
    EXPECT_EQ(s.StepKeys.size(), static_cast<size_t>(c.steps));
    EXPECT_EQ(s.Documents.size(), c.steps ? c.results : 0);
    EXPECT_EQ(f.engine->status, 0);
    EXPECT_EQ(RunPages(f.view), c.pages);
    EXPECT_EQ(probe.ConnectState.load(), c.proxy == kLoginRefused ? 2 : 0);
    // The window is itself again.
    EXPECT_FALSE(s.SearchRunning());
    EXPECT_TRUE(s.StopRequested);
    EXPECT_FALSE(f.view.Enabled(TMainControl::IBitmapButtonStop));
    EXPECT_FALSE(f.view.Visible(TMainControl::IProgressBar1));
    EXPECT_FALSE(f.view.Visible(TMainControl::ibitmap27));
    EXPECT_EQ(f.view.progress, 0);
    EXPECT_FALSE(f.view.busyCursor);
    EXPECT_EQ(f.map.state & IMapViewOps::kStateSearch, 0u);
    EXPECT_TRUE(f.map.enabled);
    for (TMainControl control : {TMainControl::IBitmapButtonNew, TMainControl::CBWebSite, TMainControl::TrackBar,
                                 TMainControl::ibitmapButton1, TMainControl::IBitmapButton2}) {
      EXPECT_TRUE(f.view.Enabled(control)) << static_cast<int>(control);
    }
    EXPECT_EQ(f.view.Enabled(TMainControl::IBitmapButtonUndo), c.undo);
    EXPECT_EQ(f.view.Enabled(TMainControl::fullRefresh), s.Scope.Count() > 0);
  }
}

TEST(SearchRun, ARunAskedForDuringARunIsRefused) {
  TSessionFixture f(WritePages);
  TKestruneSession& s = *f.session;
  f.engine->hold = true;
  f.engine->results = {Item("http://a.example/1")};
  f.view.PostToUi([&] {
    s.RunMetaSearch(TKestruneSession::kRunDownload);  // refused: no second search, no second merge
    s.BtnStopClick();
  });
  int ended = 0;
  s.OnSearchRunEnded = [&] { ++ended; };
  TypeQuery(f, u"alpha");
  EXPECT_EQ(f.engine->queries.size(), 1u);
  EXPECT_EQ(s.StepNumber, 1);
  EXPECT_EQ(ended, 1);
  EXPECT_NE(f.Log().find("a search runs already"), std::string::npos);
}

// Each search brings its items; the documents are summed up as
// "url: annotation / label / position / query number / step".
TEST(MergeResults, Cases) {
  const struct {
    const char* name;
    std::vector<TMetaSearchList2> searches;
    std::vector<std::string> documents;
  } cases[] = {
      {"AKnownAddressGrowsOnlyByNewText",
       {{Item("u1", u" one")}, {Item("u1", u" one")}, {Item("u1", u" two")}, {Item("u1", u"")}},
       {"u1:  one  two / 1 - Loopback / 0 / 3 / 1"}},
      {"OneAddressTwiceInOneSearch",
       {{Item("u1", u" a", "1 - E"), Item("u1", u" b", "2 - E")}},
       {"u1:  a  b / 2 - E / 1 / 0 / 1"}},
      {"AddressesDifferingInCaseAreTwo",
       {{Item("http://x.example/A"), Item("http://x.example/a")}},
       {"http://x.example/A:  about / 1 - Loopback / 0 / 0 / 1", "http://x.example/a:  about / 1 - Loopback / 1 / 0 / 1"}},
      {"PositionsAfterTwoSearches",
       {{Item("u1", u" x", "1 - E"), Item("u2", u" x", "2 - E"), Item("u3", u" x", "3 - E")},
        {Item("u3", u" x", "1 - E"), Item("u4", u" x", "2 - E")}},
       {"u1:  x / 1 / 2 / 0 / 1", "u2:  x / 2 / 3 / 0 / 1", "u3:  x / 1 - E / 0 / 1 / 1",
        "u4:  x / 2 - E / 1 / 1 / 2"}},
      {"LabelsCutOneSearchLater",
       {{Item("u1", u" x", "12 - Loop Engine"), Item("u2", u" x", "Loop")}, {Item("u3", u" x", "1 - E")}, {Item("u4")}},
       {"u1:  x / 12 / 2 / 0 / 1", "u2:  x / Loop / 3 / 0 / 1", "u3:  x / 1 / 1 / 1 / 2",
        "u4:  about / 1 - Loopback / 0 / 2 / 3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    for (size_t k = 0; k < c.searches.size(); ++k) {
      f.engine->results = c.searches[k];
      if (k == 0) {
        TypeQuery(f, u"alpha");
      } else {
        s.BtnMetasearchClick();
        f.view.RunAllQueued();
      }
    }
    std::vector<std::string> documents;
    for (const TMetaSearchList& d : s.Documents) {
      documents.push_back(d.Url + ": " + platform::Utf16ToUtf8(d.Annotation) + " / " + d.Label + " / " +
                          std::to_string(d.Position) + " / " + std::to_string(d.QueryNumber) + " / " +
                          std::to_string(d.Step));
    }
    EXPECT_EQ(documents, c.documents);
    EXPECT_EQ(s.StepNumber, static_cast<int32_t>(c.searches.size()));
    EXPECT_EQ(s.IMetaList.Count(), static_cast<int32_t>(s.Documents.size()));
  }
}

TEST(FeedNetwork, FeedPart) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"", u". \r\n\r\n"},          {u" ", u". \r\n\r\n"},           {u"x", u"x. \r\n\r\n"},
      {u"a\r\nb", u"a  b. \r\n\r\n"}, {u"a\nb\rc", u"a b c. \r\n\r\n"}, {u"\n", u". \r\n\r\n"},
  };
  for (const auto& [part, text] : cases) EXPECT_EQ(TKestruneSession::FeedPart(part), text);
}

// The non-separator words of a paragraph of the last parse.
std::string ParagraphWords(TKestruneSession& s, int32_t p) {
  const TParsingText& parse = s.TextParsing.ParsingText();
  std::string words;
  const TParsingParagraph& paragraph = parse.Paragraph(p);
  for (int32_t k = 0; k < paragraph.SentenceCount; ++k) {
    const TParsingSentence& sentence = parse.Sentence(paragraph.FirstSentence + k);
    for (int32_t w = 0; w < sentence.WordCount; ++w) {
      const TParsingWord& word = parse.Word(sentence.FirstWord + w);
      if ((word.Flags & TParsingWord::kSeparator) != 0) continue;
      const TWDWord* entry = s.WordDictionary.GetWord(word.WordId);
      words += (words.empty() ? "" : " ") + (entry ? platform::Utf16ToUtf8(entry->GetText()) : std::string("?"));
    }
  }
  return words;
}

// Every document owns paragraphs 3j, 3j+1 and 3j+2, whatever its texts hold;
// the query owns the last one; a query word is no stop word.
TEST(FeedNetwork, ParagraphOwnership) {
  const struct {
    std::u16string title, annotation;
    std::string url;
    int32_t queryNumber;
    const char* title_words;
    const char* annotation_words;
  } documents[] = {
      {u"", u"first annotation", "http://a.example/", 0, "", "first annotation"},
      {u"Line one\r\nline two", u"crlf", "http://b.example/", 0, "line one line two", "crlf"},
      {u"unix\nstyle", u"lone\rcarriage", "http://c.example/", 5, "unix style", "lone carriage"},
      {u" ", u"user document", "http://d.example/", -1, "", "user document"},
  };
  for (bool shop : {false, true}) {
    SCOPED_TRACE(shop);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    TypeQuery(f, u"alpha");  // no results: the query's keys only
    ASSERT_EQ(test::KeysText(s, kKindQuery), "alpha=1");
    s.StepKeys = {{s.ContentMap.Steps().GetCurrent()[kKindQuery][0].Key}};
    s.WordDictionary.MarkWord(u"alpha");
    s.StopWords = {u"alpha", u"beta"};
    for (const auto& d : documents) {
      TMetaSearchList document;
      document.Title = d.title;
      document.Annotation = d.annotation;
      document.Url = d.url;
      document.QueryNumber = d.queryNumber;
      s.Documents.push_back(document);
    }
    s.CurrentEngineTemplate = shop ? "amazon" : "loopback";
    s.FeedNetwork(u"alpha");
    const TParsingText& parse = s.TextParsing.ParsingText();
    ASSERT_EQ(parse.ParagraphCount, 3 * static_cast<int32_t>(std::size(documents)) + 1);
    for (size_t j = 0; j < std::size(documents); ++j) {
      const int32_t p = 3 * static_cast<int32_t>(j);
      EXPECT_EQ(ParagraphWords(s, p), documents[j].title_words) << j;
      // The shop's annotations carry the keys of their document's query.
      const bool keyed = shop && documents[j].queryNumber == 0;
      EXPECT_EQ(ParagraphWords(s, p + 1), std::string(documents[j].annotation_words) + (keyed ? " alpha" : "")) << j;
      EXPECT_NE(ParagraphWords(s, p + 2).find("example"), std::string::npos) << j;
    }
    EXPECT_EQ(ParagraphWords(s, 3 * static_cast<int32_t>(std::size(documents))), "alpha");
    EXPECT_EQ(test::KeysText(s, kKindQuery), "alpha=1");
    EXPECT_EQ(s.StepKeys.back().size(), 1u);
    // The query word is a stop word no more.
    TWordVariant hit;
    ASSERT_GT(s.WordDictionary.FindFirst(u"alpha", hit, 0), 0);
    EXPECT_EQ(s.WordDictionary.GetWord(hit.WordIndex)->GetFlags() & TWDWord::kFlagMark, 0);
    EXPECT_EQ(s.StopWords, std::vector<std::u16string>{u"beta"});
  }
}

TEST(HideSiteDocuments, MarksAndCounters) {
  const struct {
    const char* url;
    bool usedAsKey;
    float mark;  // 0: none
    int32_t flags;
    // Expected.
    float markAfter;
    int32_t flagsAfter;
  } documents[] = {
      {"http://example.com/a", true, 0, 0, -2, 0},        // a document used as a key is hidden instead
      {"http://www.example.com/b", false, -1, 1, -3, 0},  // a removed link on a hidden site
      {"http://news.example.com/c", false, 0, 1 | 4, -2, 0},
      {"http://example.com/d", false, -2, 2, -2, 0},
      {"http://example.com/e", false, 0, 2 | 4, -2, 0},
      {"http://other.example/f", false, 0, 1 | 4, 0, 1 | 4},  // another site stays
      {"http://other.example/g", true, -1, 0, -1, 0},
  };
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  IControlKeys& steps = s.ContentMap.Steps();
  for (size_t j = 0; j < std::size(documents); ++j) {
    TMetaSearchList document;
    document.Url = documents[j].url;
    document.Flags = documents[j].flags;
    s.Documents.push_back(document);
    if (documents[j].usedAsKey) steps.SetValue(kKindDocuments, static_cast<int32_t>(j), 1.0f);
    if (documents[j].mark != 0) steps.SetValue(kKindMarks, static_cast<int32_t>(j), documents[j].mark);
  }
  s.Counters.AllFavoriteLinks = 3;
  s.Counters.AllNewLinks = 2;
  s.Counters.AllOldLinks = 2;
  s.HideSiteDocuments("example.com");
  for (size_t j = 0; j < std::size(documents); ++j) {
    float mark = 0;
    for (const TControlKeyCell& cell : steps.GetCurrent()[kKindMarks]) {
      if (cell.Key.Id == static_cast<int32_t>(j)) mark = cell.Key.Weight;
    }
    EXPECT_EQ(mark, documents[j].markAfter) << j;
    EXPECT_EQ(s.Documents[j].Flags, documents[j].flagsAfter) << j;
  }
  ASSERT_EQ(steps.GetCurrent()[kKindDocuments].size(), 1u);
  EXPECT_EQ(steps.GetCurrent()[kKindDocuments][0].Key.Id, 6);
  // Favourites b and c; old d and e; new c (e is old, not new).
  EXPECT_EQ(s.Counters.AllFavoriteLinks, 1);
  EXPECT_EQ(s.Counters.AllOldLinks, 0);
  EXPECT_EQ(s.Counters.AllNewLinks, 1);
}

}  // namespace
}  // namespace kestrune
