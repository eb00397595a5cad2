// The word map after a search, from the documents' texts to the map's keys:
// the map answers the words that stand within two words of a query word in
// some sentence of the results (stop words between them count as places but
// never reach the map); words further away are not on it, however often the
// documents hold them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "network/context_ms.h"
#include "tests/app/loopback_search.h"
#include "tests/app/session_fixture.h"

namespace kestrune {
namespace {

constexpr int kDocuments = 25;

// Weather reports as a search engine lists them: every title and snippet
// names "weather"; the places and the kinds of weather change.
std::vector<TMetaSearchList> WeatherReports() {
  const char* places[] = {"coast", "mountains", "valley", "harbour", "island"};
  const char* kinds[] = {"rain", "storm", "wind", "snow", "sunshine"};
  std::vector<TMetaSearchList> items;
  for (int n = 1; n <= kDocuments; ++n) {
    const std::u16string place = platform::Utf8ToUtf16(places[n % 5]);
    const std::u16string kind = platform::Utf8ToUtf16(kinds[(n / 5) % 5]);
    TMetaSearchList item;
    item.Url = "http://weather.example/report" + std::to_string(n) + ".html";
    item.Title = u"Weather on the " + place + u": " + kind;
    item.Annotation = u"The weather report expects " + kind + u" over the " + place + u" with cold nights";
    item.Label = std::to_string(n) + " - Loopback";
    items.push_back(std::move(item));
  }
  return items;
}

// A dictionary of the reports' words and a stop list of their function
// words, as the shipped English dictionary and stop list have them.
void WeatherDictionary(test::TestProgram& p) {
  std::vector<std::pair<std::u16string, uint8_t>> words;
  for (const char16_t* w : {u"weather", u"report", u"expects", u"over", u"with", u"cold", u"nights", u"the", u"on",
                            u"coast", u"mountains", u"valley", u"harbour", u"island", u"rain", u"storm", u"wind",
                            u"snow", u"sunshine"}) {
    words.emplace_back(w, 3);
  }
  test::WriteDictionary(p.Program() + "dictionaries/english.dws", 9, u"English", words);
  test::WriteFileBytes(p.Program() + "dictionaries/stop_english.txt",
                       test::Utf16Bytes(u"the\r\non\r\nover\r\nwith\r\n", true));
}

// 1 - (1 - w)^n: a relation of first weight w strengthened by n sentences.
double Grown(double w, int n) { return 1.0 - std::pow(1.0 - w, n); }

std::string Words(std::vector<std::pair<std::string, double>> words) {
  std::sort(words.begin(), words.end());
  std::string text;
  for (const auto& [word, weight] : words) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%s=%.3f", text.empty() ? "" : " ", word.c_str(), weight);
    text += buffer;
  }
  return text;
}

TEST(SessionWordMap, TheMapHoldsTheWordsBesideTheQueryWord) {
  const double nextTo = 0.16, twoAway = 0.04;  // first weights at distance 1 and 2
  const struct {
    const char16_t* query;
    std::vector<std::pair<std::string, double>> words;  // map words besides the query word
  } cases[] = {
      // "The weather report expects": "report" one word after, "expects" two;
      // "on" and "the" stand next to it in every title but are stop words;
      // "cold", "nights", the places and the kinds are three words or more away.
      {u"weather", {{"report", Grown(nextTo, kDocuments)}, {"expects", Grown(twoAway, kDocuments)}}},
      // "over the <place> with cold nights": each place is two words before
      // "cold" in its five documents.
      {u"cold",
       {{"nights", Grown(nextTo, kDocuments)},
        {"coast", Grown(twoAway, 5)},
        {"mountains", Grown(twoAway, 5)},
        {"valley", Grown(twoAway, 5)},
        {"harbour", Grown(twoAway, 5)},
        {"island", Grown(twoAway, 5)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.query));
    test::TSessionFixture f(WeatherDictionary);
    TKestruneSession& s = *f.session;
    EXPECT_EQ(s.ContentMap.WordCount(), 30);  // the words-on-map setting's default reaches the map
    s.ContentMap.SetMapSize(f.view.mapWidth, f.view.mapHeight);
    f.engine->results = WeatherReports();
    f.view.queryText = c.query;
    f.view.Control(TMainControl::IComboBox1).Visible = true;
    s.QueryKeyUp(13);
    f.view.RunAllQueued();
    ASSERT_EQ(s.Project.Documents.size(), static_cast<size_t>(kDocuments));

    std::vector<std::pair<std::string, double>> words;
    int32_t queryKeys = 0;
    for (const TKey& key : s.ContentMap.Keys()) {
      const std::string name = platform::Utf16ToUtf8(s.ContentMapGetKeyName(key.Id));
      if ((key.Flags & KF_QUERY) != 0) {
        EXPECT_EQ(name, platform::Utf16ToUtf8(c.query));
        ++queryKeys;
      } else {
        EXPECT_EQ(key.Flags & KF_HIDDEN, 0u) << name;
        words.emplace_back(name, key.Weight);
      }
    }
    EXPECT_EQ(queryKeys, 1);
    EXPECT_EQ(Words(words), Words(c.words));
  }
}

// A query of three words whose words seldom stand together: lateral
// inhibition leaves hardly a word besides them, and the words of the same
// question asked without inhibition fill the map after the inhibited ones.
// The network is built from the loopback engine's pages on one topic; the
// stop list and an excluded word still hold, and a query whose inhibited
// answer is large enough keeps exactly that answer.
TEST(SessionWordMap, AQueryOfSeveralWordsThatSeldomMeetStillFillsTheMap) {
  const std::vector<std::u16string> stopWords = {u"the", u"a", u"and", u"or", u"for", u"in", u"of", u"on", u"at",
                                                 u"to", u"is", u"my", u"your", u"you", u"it", u"so", u"how", u"why"};
  const auto writeStopList = [&](test::TestProgram& p) {
    std::vector<std::pair<std::u16string, uint8_t>> words;
    std::u16string list;
    for (const std::u16string& w : stopWords) {
      words.emplace_back(w, 3);
      list += w + u"\r\n";
    }
    test::WriteDictionary(p.Program() + "dictionaries/english.dws", 9, u"English", words);
    test::WriteFileBytes(p.Program() + "dictionaries/stop_english.txt", test::Utf16Bytes(list, true));
  };
  const struct {
    const char* topic;
    const char16_t* query;
    std::vector<const char16_t*> clicks;  // map words clicked after the search, each added to the query
    size_t queryWords, excludedWords;
    bool enoughWithInhibition;            // the inhibited answer alone fills the map
    size_t leastWords;                    // map words besides the query's
    std::vector<const char16_t*> absent;  // never on the map
  } cases[] = {
      {"bread", u"sourdough starter hydration", {}, 3, 0, false, 30, {}},
      {"bicycle", u"bicycle chain lube", {}, 3, 0, false, 17, {}},
      // "pizza" excluded: "dough", two words after it in a title, goes with it.
      {"bread", u"sourdough starter hydration -pizza", {}, 3, 1, false, 30, {u"pizza", u"dough"}},
      // The page then lists the two pages that hold all three words: their
      // eight other words.
      {"bread", u"starter", {u"sourdough", u"hydration"}, 3, 0, false, 8, {}},
      {"bread", u"starter", {}, 1, 0, true, 20, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Utf16ToUtf8(c.query));
    test::TLoopbackSearch t(std::chrono::milliseconds(0), writeStopList);
    ASSERT_TRUE(t.created);
    test::RouteLoopbackItems(t.server, test::TopicItems(c.topic, t.server.Url("")));
    TKestruneSession& s = *t.session;
    t.Search(c.query);
    ASSERT_EQ(s.Project.Documents.size(), 22u);
    for (const char16_t* word : c.clicks) {
      ASSERT_GE(t.WordId(word), 0);
      s.DrawAndEventMap1GroupSelect(1, kKindQuery, true, {{t.WordId(word), 1.0f}});
      t.view.RunPosted();
    }

    std::vector<int32_t> others;
    size_t queryKeys = 0;
    for (const TKey& key : s.ContentMap.Keys()) {
      if ((key.Flags & KF_QUERY) != 0) {
        ++queryKeys;
      } else {
        EXPECT_EQ(key.Flags & KF_HIDDEN, 0u) << platform::Utf16ToUtf8(key.Name);
        others.push_back(key.Id);
      }
    }
    EXPECT_EQ(queryKeys, c.queryWords);
    EXPECT_GE(others.size(), c.leastWords);

    // The network asked as the map asks it, with and without inhibition;
    // stop words left out.
    TNNKeys keys;
    for (int32_t kind : {kKindQuery, kKindExcluded}) {
      for (const TControlKeyCell& cell : s.ContentMap.Steps().GetCurrent()[static_cast<size_t>(kind)]) {
        keys.push_back(cell.Key);
      }
    }
    ASSERT_EQ(keys.size(), c.queryWords + c.excludedWords);
    const auto ask = [&](int32_t inhibition) {
      std::vector<int32_t> ids;
      for (const TNNKey& word : test::AskAsTheMap(s, keys, inhibition)) {
        const std::u16string name = s.ContentMapGetKeyName(word.Id);
        if (std::find(stopWords.begin(), stopWords.end(), name) == stopWords.end()) ids.push_back(word.Id);
      }
      return ids;
    };
    const std::vector<int32_t> inhibited = ask(-2);
    EXPECT_EQ(inhibited.size() >= static_cast<size_t>(TCustomContentMap2::kMinWordCount), c.enoughWithInhibition);
    // The inhibited words first, in their order; when they are too few, the
    // others of the uninhibited answer after them up to the word count.
    std::vector<int32_t> expected = inhibited;
    if (!c.enoughWithInhibition) {
      for (int32_t id : ask(0)) {
        if (expected.size() < static_cast<size_t>(s.ContentMap.WordCount()) &&
            std::find(expected.begin(), expected.end(), id) == expected.end()) {
          expected.push_back(id);
        }
      }
    }
    EXPECT_EQ(others, expected);

    std::vector<std::string> names;
    for (int32_t id : others) names.push_back(platform::Utf16ToUtf8(s.ContentMapGetKeyName(id)));
    for (const char16_t* word : c.absent) {
      EXPECT_EQ(std::find(names.begin(), names.end(), platform::Utf16ToUtf8(word)), names.end())
          << platform::Utf16ToUtf8(word);
    }
  }
}

}  // namespace
}  // namespace kestrune
