#include "app/query_words.h"

#include <gtest/gtest.h>

#include "core/message_strings.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

using test::TSessionFixture;

std::string Keys(TKestruneSession& s, int32_t kind) { return test::KeysText(s, kind); }

TEST(QueryWords, TypedTextToKeys) {
  struct Case {
    std::vector<const char16_t*> entries;  // typed one after the other
    const char* query;                     // kind 0
    const char* excluded;                  // kind 1
    bool incorrect;
  } cases[] = {
      {{u"alpha -beta"}, "alpha=1", "beta=-10000", false},
      {{u"alpha - beta"}, "alpha=1 beta=1", "", false},
      {{u"\"new york\" city"}, "\"new york\"/2=1 city=1", "", false},
      {{u"\"w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11\""}, "\"w1 w2 w3 w4 w5 w6 w7 w8 w9 w10\"/10=1 w11=1", "", false},
      {{u"\"alpha\" beta"}, "alpha=1 beta=1", "", false},
      {{u"alpha -\"beta\""}, "alpha=1", "beta=-10000", false},
      {{u"alpha -\"new york\""}, "alpha=1", "\"new york\"/2=-10000", false},
      // A quoted word beside another quoted word keeps its minus sign.
      {{u"-\"beta\" \"alpha\""}, "alpha=1", "beta=-10000", false},
      {{u"e-mail"}, "\"e - mail\"/3=1", "", false},
      {{u"?!"}, "", "", true},
      {{u"___ , ;"}, "", "", true},
      {{u"\u201Calpha\u201D \u2026 beta"}, "alpha=1 beta=1", "", false},
      {{u"alpha -beta", u"beta"}, "alpha=1 beta=1", "", false},  // a re-typed exclusion is a query word again
      {{u"foo_bar `x` 42"}, "foo_bar=1 `x`=1 42=1", "", false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    TSessionFixture f;
    TKestruneSession& s = *f.session;
    bool incorrect = false;
    for (const char16_t* typed : c.entries) {
      TITextParsing& parser = s.TextParsing;
      parser.Parse(std::u16string_view(typed));
      TParsingText parse = parser.ParsingText();
      std::u16string error;
      incorrect = !s.Entry.wordsToIndex(parse, false, error);
      EXPECT_EQ(error, incorrect ? MessageStrings.smIncorrect : u"");
    }
    EXPECT_EQ(Keys(s, kKindQuery), c.query);
    EXPECT_EQ(Keys(s, kKindExcluded), c.excluded);
    EXPECT_EQ(incorrect, c.incorrect);
    EXPECT_EQ(f.boxes.size(), c.incorrect ? 1u : 0u);
    if (c.incorrect) {
      EXPECT_EQ(f.boxes[0], "Incorrect query / Error ");
    }
  }
}

TEST(QueryWords, SplitterAndPunctuation) {
  struct Case {
    const char16_t* text;
    const char* included;
    const char* excluded;
  } cases[] = {
      {u"a -b", "a", "b"},
      {u"a - b", "a|b", ""},
      {u"-a b-c", "b", "a|c"},
      {u"  x--y  ", "x", "y"},
      {u"", "", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::u16string> in, out;
    SplitQuery(c.text, in, out);
    std::string a, b;
    for (auto& w : in) a += (a.empty() ? "" : "|") + platform::Utf16ToUtf8(w);
    for (auto& w : out) b += (b.empty() ? "" : "|") + platform::Utf16ToUtf8(w);
    EXPECT_EQ(a, c.included) << platform::Utf16ToUtf8(c.text);
    EXPECT_EQ(b, c.excluded) << platform::Utf16ToUtf8(c.text);
  }
  for (char16_t c : std::u16string(u"\t !/:@[^{~\u0085\u00A0\u00BB\u2026\u201C\u201D")) EXPECT_TRUE(IsQueryPunctuation(c)) << int(c);
  for (char16_t c : std::u16string(u"_`09aZ\u00BC\u00E9\u0416\u2018")) EXPECT_FALSE(IsQueryPunctuation(c)) << int(c);
}

TEST(QueryWords, QueryTextInBothViewsAndWithoutQuery) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  TPhraseWordDictionary& d = s.WordDictionary;
  const int32_t alpha = d.AddWord(u"alpha", 0, -1);
  const int32_t beta = d.AddWord(u"beta", 0, -1);
  const int32_t york = d.AddWord(u"york", 0, -1);
  const int32_t phrase = kPhraseBase + d.AddPhrase(TPhrase{{{d.AddWord(u"new", 0, -1), 0, 0}, {york, 0, 0}}, 0});
  IControlKeys& steps = s.ContentMap.Steps();
  auto set = [&](std::vector<int32_t> query, std::vector<int32_t> excluded) {
    steps.ClearAll(true);
    for (int32_t id : query) steps.SetValue(kKindQuery, id, 1.0f, true);
    for (int32_t id : excluded) steps.SetValue(kKindExcluded, id, kExcludedWeight, true);
  };
  struct Case {
    std::vector<int32_t> query, excluded;  // kinds 0 and 1
    bool excludedView, noQuery;
    const char16_t* text;   // GetQueryText
    const char16_t* part1;  // GetQueryTextPart(1)
    const char16_t* part2;  // GetQueryTextPart(-1)
  } cases[] = {
      {{alpha, phrase}, {beta}, false, false, u"alpha \"new york\" -beta", u"alpha \"new york\"", u" -beta"},
      {{}, {beta, phrase}, false, false, u" -beta -\"new york\"", u"", u" -beta -\"new york\""},
      {{beta}, {alpha}, true, false, u"alpha -beta", u"alpha", u" -beta"},  // the kinds traded
      {{alpha}, {beta}, false, true, u"", u"alpha", u" -beta"},
  };
  for (const Case& c : cases) {
    set(c.query, c.excluded);
    s.ContentMap.SetExcludedMode(c.excludedView);
    s.ContentMap.SetNoQueryMode(c.noQuery);
    EXPECT_EQ(s.GetQueryText(), c.text);
    EXPECT_EQ(s.Entry.GetQueryTextPart(0), c.text);
    EXPECT_EQ(s.Entry.GetQueryTextPart(1), c.part1);
    EXPECT_EQ(s.Entry.GetQueryTextPart(-1), c.part2);
    EXPECT_EQ(s.Entry.GetQueryTextPart(2), u"");
  }
  TNNKeys keys{{7, 2.0f}};
  set({alpha}, {beta});
  s.GetStepKeys(keys, kKindExcluded);
  s.GetStepKeys(keys, 6);  // not a kind of the query
  EXPECT_EQ(keys, (TNNKeys{{7, 2.0f}, {beta, kExcludedWeight}}));
}

TEST(QueryWords, TypingHighlightsTheMapWordsItNames) {
  TSessionFixture f;
  TKestruneSession& s = *f.session;
  const int32_t moscow = s.WordDictionary.AddWord(u"\u043C\u043E\u0441\u043A\u0432\u0430", 0, -1);
  const int32_t cafe = s.WordDictionary.AddWord(u"caf\u00E9", 0, -1);
  const int32_t other = s.WordDictionary.AddWord(u"other", 0, -1);
  for (int32_t id : {moscow, cafe, other}) {
    TKey key;
    key.Id = id;
    s.ContentMap.Keys().push_back(key);
  }
  s.Entry.QueryItems = {u"\u041C\u043E\u0441\u043A\u0432\u0430"};
  f.view.queryText = u"\u201C\u041C\u043E\u0441\u043A\u0432\u0430\u201D CAF\u00C9-x";
  f.view.Control(TMainControl::IComboBox1).Bounds = {10, 20, 90, 24};
  s.QueryChange();
  std::vector<bool> highlighted;
  for (const TKey& key : s.ContentMap.Keys()) highlighted.push_back((key.Flags & KF_HIGHLIGHTED) != 0);
  EXPECT_EQ(highlighted, (std::vector<bool>{true, true, false}));
  EXPECT_EQ(f.view.Control(TMainControl::IComboBox1).Bounds.Width, 120);
  EXPECT_EQ(f.view.Control(TMainControl::BBtnSearch).Bounds.Left, 145);
  EXPECT_EQ(f.view.dropDownCloses, 1);
  EXPECT_EQ(f.map.log.back(), "LoadKeysAndDraw");
}

}  // namespace
}  // namespace kestrune
