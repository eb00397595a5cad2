// The map of a large project: the map's word queries run without the word
// layer's budget, so that its cut of 0.01 still finds words however many
// relations the query word has; the budget, which scales every word alike,
// changed no word's rank. Networks built through the context model from
// synthetic documents.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "map/content_map2.h"
#include "network/context_ms.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::MakeParse;
using test::TestParagraph;
using test::TestSentence;

constexpr int32_t kQuery = 100000;
constexpr int32_t kVocabulary = 2000;

// `documents` documents, each with the query word and six words of a
// 2,000-word vocabulary (a few common, most rare) in its title and
// annotation, as a feed of the session builds them.
void BuildProject(TIContextMS& net, int32_t documents) {
  std::mt19937 random(17);
  // Zipf-like: small ids far more often.
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  auto word = [&] { return 1 + static_cast<int32_t>(std::pow(unit(random), 2.5) * (kVocabulary - 1)); };
  std::vector<TestParagraph> paragraphs;
  std::vector<TNNKeys> own;
  for (int32_t j = 0; j < documents; ++j) {
    const TestSentence title = {word(), kQuery, word(), word()};
    const TestSentence annotation = {word(), word(), kQuery, word()};
    paragraphs.push_back({title});
    paragraphs.push_back({annotation});
    paragraphs.push_back({{}});
    TNNKeys words;
    for (const TestSentence* sentence : {&title, &annotation}) {
      for (const test::TestWord& w : *sentence) words.push_back({w.Id, 1.0f});
    }
    own.push_back(std::move(words));
  }
  const TParsingText text = MakeParse(paragraphs);
  net.Clear();
  for (int32_t j = 0; j < documents; ++j) {
    net.AddFile(j);
    net.AddTitleMSPage(text, 3 * j, j);
    net.AddAnnotateMSPage(text, 3 * j + 1, j);
    net.AddUrlMSPage(text, 3 * j + 2, j, own[static_cast<size_t>(j)], 0.9f - static_cast<float>(j) * 0.00001f);
  }
}

// The keys of a map of 30 words for the query word, all documents listed.
std::vector<int32_t> MapKeys(TIContextMS& net, int32_t documents) {
  TContentMap2 map;
  map.SetNeuroNet(&net);
  map.SetMapSize(800, 600);
  map.SetNoQueryMode(false);
  map.SetWordCount(30);
  // A text of its own for every word: one text takes one place.
  map.OnGetKeyName = [](int32_t id) {
    std::u16string name = u"w";
    for (const char digit : std::to_string(id)) name += static_cast<char16_t>(digit);
    return name;
  };
  map.OnMeasureKeyHook = [](const TKey& key, int32_t& width, int32_t& height) {
    width = static_cast<int32_t>(key.Name.size()) * 7;
    height = 12;
  };
  map.OnBeforeKeysHook = [&map, documents] {
    map.ResultFiles().clear();
    for (int32_t j = 0; j < documents; ++j) map.ResultFiles().push_back({j, 1.0f});
  };
  map.Steps().SetValue(0, kQuery, 1.0f, true);
  map.BuildMap(false);
  std::vector<int32_t> ids;
  for (const TKey& key : map.Keys()) {
    if ((key.Flags & KF_HIDDEN) == 0) ids.push_back(key.Id);
  }
  return ids;
}

TEST(ContentMapBudget, ALargeProjectStillFillsTheMap) {
  for (int32_t documents : {1000, 3000, 10000}) {
    SCOPED_TRACE(documents);
    TIContextMS net;
    BuildProject(net, documents);
    EXPECT_EQ(MapKeys(net, documents).size(), 31u);  // the query word and 30 related words
    // The map's query leaves the word layer's budget as it was.
    EXPECT_EQ(net.Network().GetLayer(TIContextMS::kWordLayer)->GetBudget(), TIContextMS::kWordBudget);
  }
}

TEST(ContentMapBudget, TheBudgetChangesNoRankOnASmallProject) {
  TIContextMS net;
  BuildProject(net, 60);
  const std::vector<int32_t> keys = MapKeys(net, 60);
  ASSERT_GE(keys.size(), 11u);
  // The words as the budget ranks them, asked as the map asks.
  TNNKeys files;
  for (int32_t j = 0; j < 60; ++j) files.push_back({j, 1.0f});
  net.ClearContextWords();
  net.AddContextWords(files);
  int32_t count = 30;
  TNNKeys ranked;
  net.GetWords({{kQuery, 1.0f}}, TNNKeys{}, count, ranked, -2, 0.01f);  // the map's inhibition
  ASSERT_GE(count, 10);
  // The map's first words come in the order of their weights under the
  // budget (words of one weight in any order).
  std::map<int32_t, float> weight;
  for (const TNNKey& key : ranked) weight[key.Id] = key.Weight;
  for (size_t i = 1; i <= 10; ++i) {
    ASSERT_TRUE(weight.count(keys[i]) && weight.count(keys[i + 1])) << i;
    EXPECT_GE(weight[keys[i]], weight[keys[i + 1]]) << i;
  }
  EXPECT_EQ(keys[1], ranked[0].Id);
}

}  // namespace
}  // namespace kestrune
