// The context model's queries on small networks whose answers follow by hand
// from the spreading rules: GetWords, GetFiles, the child model, the key
// count, lateral inhibition, CollectFiles, GetRelationWeight, the sort and
// the log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>
#include <map>
#include <random>

#include "language/word_dictionary.h"
#include "network/context_ms.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::AddInputWord;
using test::Relate;
using test::RelatePage;
using test::ScopedLog;

std::vector<float> Weights(const TNNKeys& list) {
  std::vector<float> weights;
  for (const TNNKey& key : list) weights.push_back(key.Weight);
  return weights;
}

// id -> weight of an answer (ids are unique in answers).
std::map<int32_t, float> AsMap(const TNNKeys& list) {
  std::map<int32_t, float> map;
  for (const TNNKey& key : list) EXPECT_TRUE(map.emplace(key.Id, key.Weight).second) << key.Id;
  return map;
}

TEST(ContextMSSort, SortByWeightOrdersLargestFirst) {
  TNNKeys list{{1, 0.2f}, {2, 0.9f}, {3, 0.5f}};
  TIContextMS::SortByWeight(list, 3);
  EXPECT_EQ(list, (TNNKeys{{2, 0.9f}, {3, 0.5f}, {1, 0.2f}}));

  TNNKeys partial{{1, 0.1f}, {2, 0.3f}, {3, 0.9f}};
  TIContextMS::SortByWeight(partial, 2);  // only the first two
  EXPECT_EQ(partial, (TNNKeys{{2, 0.3f}, {1, 0.1f}, {3, 0.9f}}));
  TIContextMS::SortByWeight(partial, 1);
  TIContextMS::SortByWeight(partial, 0);
  EXPECT_EQ(partial, (TNNKeys{{2, 0.3f}, {1, 0.1f}, {3, 0.9f}}));

  // Long inputs of every shape: random, ascending, descending, equal, few
  // values (the pending ranges outgrow any fixed stack).
  std::mt19937 rng(11);
  std::vector<std::function<float(int)>> shapes = {
      [&](int) { return std::uniform_real_distribution<float>(-1, 1)(rng); },
      [](int i) { return static_cast<float>(i); },
      [](int i) { return static_cast<float>(-i); },
      [](int) { return 0.5f; },
      [](int i) { return static_cast<float>(i % 3); },
  };
  for (auto& shape : shapes) {
    TNNKeys keys;
    for (int i = 0; i < 100000; ++i) keys.push_back(TNNKey{i, shape(i)});
    std::vector<float> expected = Weights(keys);
    std::sort(expected.begin(), expected.end(), std::greater<float>());
    TIContextMS::SortByWeight(keys, static_cast<int32_t>(keys.size()));
    EXPECT_EQ(Weights(keys), expected);
  }
}

TEST(ContextMSSort, NormalizeByMaxAndSortClusters) {
  TNNKeys list{{1, 0.3f}, {2, 0.15f}, {3, 0.0f}, {4, -0.3f}};
  NormalizeByMax(list);
  EXPECT_EQ(Weights(list), (std::vector<float>{1.0f, 0.5f, 0.0f, -1.0f}));
  TNNKeys negative{{1, -0.5f}, {2, 0.0f}};
  NormalizeByMax(negative);
  EXPECT_EQ(Weights(negative), (std::vector<float>{-0.5f, 0.0f}));
  // The largest weight becomes exactly 1 whatever it is.
  for (float m : {0.3f, 0.7f, 0.1f, 0.9f, 1.7f, 3e-5f}) {
    TNNKeys one{{1, m}};
    NormalizeByMax(one);
    EXPECT_EQ(one[0].Weight, 1.0f) << m;
  }

  TClusters clusters;
  for (float w : {0.2f, 0.0f, 1.0f, 0.5f}) {
    TCluster item;
    item.Weight = w;
    clusters.Items.push_back(item);
  }
  SortClusters(clusters, 4);
  std::vector<float> weights;
  for (const TCluster& item : clusters.Items) weights.push_back(item.Weight);
  EXPECT_EQ(weights, (std::vector<float>{1.0f, 0.5f, 0.2f, 0.0f}));
}

TEST(ContextMSWords, NoKeysActivateEveryWordAtHalf) {
  TIContextMS model;
  AddInputWord(model, 1);
  AddInputWord(model, 2);
  AddInputWord(model, 3);  // no relation: keeps 0.5
  Relate(model, 1, 2, 0.16f);
  int32_t count = 10;
  TNNKeys out;
  model.GetWords({}, {}, count, out, 7, 0.01f);
  // 1 and 2 feed each other 0.16 x 0.5 in an open spread; 3 is untouched.
  const float fed = static_cast<float>(0.5L + static_cast<long double>(0.16f * 0.5f));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(AsMap(out), (std::map<int32_t, float>{{1, fed}, {2, fed}, {3, 0.5f}}));
  EXPECT_EQ(out.back().Id, 3);

  count = 10;
  model.GetWords({}, {}, count, out, 7, 0.55f);
  EXPECT_EQ(AsMap(out), (std::map<int32_t, float>{{1, fed}, {2, fed}}));
}

TEST(ContextMSWords, KeyWordsAreNeverAnsweredAndInhibitionPushesUnrelatedWords) {
  TIContextMS model;
  for (int id : {1, 2, 3, 4}) AddInputWord(model, id);
  Relate(model, 1, 3, 0.5f);  // key 1 - word 3
  Relate(model, 2, 4, 0.5f);  // key 2 - word 4
  Relate(model, 1, 2, 0.3f);  // the keys relate to each other
  const TNNKeys keys{{1, 1.0f}, {2, 1.0f}};

  struct Case {
    int32_t factor;
    float inhibition;
    std::map<int32_t, float> answer;
  };
  // Factor 0: no inhibition, both words at 0.5. Factor 5 with two counting
  // keys: -1.0; each word is pushed by the key it is not related to, down
  // to 0.5 - 1.0 < 0, and leaves the answer.
  for (const Case& c : {Case{0, -0.0f, {{3, 0.5f}, {4, 0.5f}}}, Case{5, -1.0f, {}}}) {
    model.ClearContextWords();
    model.ActivateWords(keys, false);
    int32_t count = 10;
    TNNKeys out;
    model.GetWords(keys, {}, count, out, c.factor, 0.01f);
    EXPECT_EQ(model.Network().LateralInhibition, c.inhibition);
    EXPECT_EQ(AsMap(out), c.answer) << c.factor;
    EXPECT_EQ(count, static_cast<int32_t>(c.answer.size()));
  }
}

TEST(ContextMSWords, LateralInhibitionOfTheQueries) {
  TIContextMS model;
  for (int id : {1, 2, 3}) AddInputWord(model, id);
  model.AddFile(0);
  const TNNKeys three{{1, 1.0f}, {2, 0.5f}, {3, 2.0f}};
  const TNNKeys two{{1, 1.0f}, {2, 0.5f}, {3, -10000.0f}, {99, 1.0f}};  // excluded and unknown words do not count
  const TNNKeys none{{99, 1.0f}, {1, 0.0f}};

  struct Case {
    const TNNKeys* keys;
    int32_t factor;
    float words;  // GetWords with this inhibition factor
    int32_t depth;
    float files;  // GetFiles with this depth
  };
  for (const Case& c : {Case{&three, -2, 0.6f, 1, -1.5f}, Case{&three, 7, -2.1f, 2, -100.0f},
                        Case{&two, 7, -1.4f, 3, -0.6f}, Case{&two, 3, -0.6f, 1, -1.0f},
                        Case{&none, 7, -0.7f, 3, -0.3f}, Case{&none, 4, -0.4f, 1, -0.0f}}) {
    int32_t count = 10;
    TNNKeys out;
    model.GetWords(*c.keys, {}, count, out, c.factor, 0.01f);
    EXPECT_EQ(model.Network().LateralInhibition, c.words) << c.factor;
    count = 10;
    model.GetFiles(*c.keys, {}, count, out, c.depth);
    EXPECT_EQ(model.Network().LateralInhibition, c.files) << c.depth;
  }
}

TEST(ContextMSWords, ChildAnswersAreMerged) {
  TIContextMS model;
  TIContextMS child;
  ASSERT_TRUE(model.SetChildIContextMS(&child));
  for (int id : {1, 10, 11}) AddInputWord(model, id);
  Relate(model, 1, 10, 0.4f);
  Relate(model, 1, 11, 0.6f);
  for (int id : {1, 10, 11, 12, 13}) AddInputWord(child, id);
  Relate(child, 1, 10, 0.6f);
  Relate(child, 1, 11, 0.4f);
  Relate(child, 1, 12, 0.5f);
  Relate(child, 1, 13, 0.005f);  // below the child's threshold 0.01

  const TNNKeys keys{{1, 1.0f}};
  model.ActivateWords(keys, false);
  int32_t count = 10;
  TNNKeys out;
  model.GetWords(keys, {}, count, out, 7, 0.01f);
  EXPECT_EQ(AsMap(out), (std::map<int32_t, float>{{10, 0.6f}, {11, 0.6f}, {12, 0.5f}}));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(out.back().Id, 12);
  // The child is reset after the merge, its context set too.
  EXPECT_EQ(child.Network().GetLayer(0)->GetActiveSet().Count(), 0);
  EXPECT_EQ(child.Network().GetLayer(0)->GetContextSet().Count(), 0);

  // The child's count is the one passed in; the merged answer is cut after.
  count = 1;
  model.ActivateWords(keys, false);
  model.GetWords(keys, {}, count, out, 7, 0.01f);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].Weight, 0.6f);

  // An empty model answers the list passed in, merged with the child's.
  TIContextMS empty;
  ASSERT_TRUE(empty.SetChildIContextMS(&child));
  out = {{10, 0.9f}, {77, 0.2f}};
  count = 10;
  empty.GetWords(keys, {}, count, out, 7, 0.01f);
  EXPECT_EQ(AsMap(out), (std::map<int32_t, float>{{10, 0.9f}, {11, 0.4f}, {12, 0.5f}, {77, 0.2f}}));
}

TEST(ContextMSWords, KeyCountCutsTheAnswer) {
  TIContextMS model;
  AddInputWord(model, 0);
  for (int i = 1; i <= 30; ++i) {
    AddInputWord(model, i);
    Relate(model, 0, i, 0.01f * static_cast<float>(i));  // the inputs sum to 4.65, below the budget
  }
  const TNNKeys keys{{0, 1.0f}};
  struct Case {
    int32_t relatedWords;  // words in the key's context
    int32_t count;
    int32_t answered;
  };
  for (const Case& c : {Case{30, 20, 20}, Case{7, 20, 7}, Case{30, 0, 0}, Case{30, -3, 0}}) {
    model.ClearContextWords();
    model.ActivateWords({{0, 1.0f}}, true);
    for (int i = 1; i <= c.relatedWords; ++i) model.ActivateWords({{i, 1.0f}}, true);
    int32_t count = c.count;
    TNNKeys out;
    model.GetWords(keys, {}, count, out, 7, 0.001f);
    EXPECT_EQ(count, c.answered);
    ASSERT_EQ(static_cast<int32_t>(out.size()), c.answered);
    for (int32_t k = 0; k < c.answered; ++k) {
      EXPECT_EQ(out[k].Id, c.relatedWords - k);  // the strongest first
      EXPECT_EQ(out[k].Weight, 0.01f * static_cast<float>(c.relatedWords - k));
    }
  }
}

TEST(ContextMSFiles, CollectFilesScoresByRelatedKeyWords) {
  TIContextMS model;
  for (int id : {1, 2}) AddInputWord(model, id);
  model.AddFile(5);
  model.AddFile(6);
  RelatePage(model, 1, 5, 0.7f);
  model.Network().ActivateElement({1, 0}, 0.8f);
  model.Network().ActivateElement({1, 1}, 0.4f);
  TNNKeys out{{9, 9.0f}};
  // Two counting key words, one related to page 0: (1/2)^2 x 0.8 = 0.2;
  // page 1: no key word, (0/2)^2 x 0.4 = 0.
  model.CollectFiles({{1, 1.0f}, {2, 1.0f}, {3, 1.0f}, {2, -1.0f}}, out);
  EXPECT_EQ(out, (TNNKeys{{5, 0.2f}, {6, 0.0f}}));
  // Without counting key words the activation itself.
  model.CollectFiles({{2, 0.0f}}, out);
  EXPECT_EQ(out, (TNNKeys{{5, 0.8f}, {6, 0.4f}}));
  // A page that no document holds is not answered.
  const int32_t loose = model.Network().AddElement(1, 2, 0.001f, 1.0f, 1.0f, 1.0f);
  model.Network().ActivateElement({1, loose}, 0.9f);
  model.CollectFiles({}, out);
  EXPECT_EQ(out, (TNNKeys{{5, 0.8f}, {6, 0.4f}}));
}

// Each page adds (k/n)^2 x activation to its document's score with one
// rounding to single. A document of two pages (activations 0.8 and 0.6), one
// of three counting key words related to each: the bits were worked out in
// exact rational arithmetic; rounding 1/3, its square and the product on the
// way gives 0x3DB60B62 and 0x3E1F49F6.
TEST(ContextMSFiles, CollectFilesRoundsEachScoreStepOnce) {
  TIContextMS model;
  for (int id : {1, 2, 3}) AddInputWord(model, id);
  model.Network().AddElement(1, 0, 0.001f, 1.0f, 1.0f, 1.0f);
  model.Network().AddElement(1, 1, 0.001f, 1.0f, 1.0f, 1.0f);
  model.Files().Add(4, 0, 2);
  TRelationPosition position;
  model.Network().SetRelation({0, model.FindWordElement(2)}, {1, 0}, position, 0.5f);
  model.Network().SetRelation({0, model.FindWordElement(3)}, {1, 1}, position, 0.5f);
  const TNNKeys keys{{1, 1.0f}, {2, 1.0f}, {3, 1.0f}};
  struct Case {
    std::vector<float> activations;
    uint32_t score;
  };
  for (const Case& c : {Case{{0.8f}, 0x3DB60B61u}, Case{{0.8f, 0.6f}, 0x3E1F49F5u}}) {
    model.Network().ResetAll();
    for (size_t p = 0; p < c.activations.size(); ++p) {
      model.Network().ActivateElement({1, static_cast<int32_t>(p)}, c.activations[p]);
    }
    TNNKeys out;
    model.CollectFiles(keys, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Id, 4);
    EXPECT_EQ(std::bit_cast<uint32_t>(out[0].Weight), c.score) << c.activations.size();
  }
}

TEST(ContextMSFiles, FileCollectionThresholdAndDepthCases) {
  // Word 1 on pages 0 (0.7) and 1 (0.5), word 2 on page 1 (0.5) and page 2
  // (0.2).
  TIContextMS model;
  for (int id : {1, 2, 3}) AddInputWord(model, id);
  for (int f : {0, 1, 2}) model.AddFile(f);
  RelatePage(model, 1, 0, 0.7f);
  RelatePage(model, 1, 1, 0.5f);
  RelatePage(model, 2, 1, 0.5f);
  RelatePage(model, 2, 2, 0.2f);

  // Key words only, depth 3, one key: inhibition -0.3 touches no page of
  // the key; activations 0.7 and 0.5, normalised by 0.7.
  int32_t count = 10;
  TNNKeys out;
  model.GetFiles({{1, 1.0f}}, {}, count, out, 3);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(out, (TNNKeys{{0, 1.0f}, {1, static_cast<float>(0.5f * (1.0L / 0.7f))}}));

  // Two keys, depth 3: inhibition -0.6. Page 0: 0.7 - 0.6 (from 2) = 0.1;
  // page 1: 0.5 + 0.5 = 1.0; page 2: 0.2 - 0.6 < 0. Scores: page 1
  // (2/2)^2 x 1.0, page 0 (1/2)^2 x 0.1.
  count = 10;
  model.GetFiles({{1, 1.0f}, {2, 1.0f}}, {}, count, out, 3);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(out[0], (TNNKey{1, 1.0f}));
  EXPECT_EQ(out[1].Id, 0);
  const float page0 = 0.7f - 0.6f;
  EXPECT_FLOAT_EQ(out[1].Weight, 0.25f * page0);

  // Key files only: the page's words (those in the word context set) carry
  // activation on to the pages.
  model.ClearContextWords();
  model.AddContextWords({{2, 1.0f}});
  count = 10;
  model.GetFiles({}, {{2, 1.0f}}, count, out, 3);
  // Page 2 activates word 2 with 0.2; word 2 opens pages 1 (0.2 x 0.5) and 2
  // (1.0 + 0.2 x 0.2).
  EXPECT_EQ(AsMap(out).size(), 2u);
  EXPECT_EQ(out[0], (TNNKey{2, 1.0f}));
  EXPECT_EQ(out[1].Id, 1);

  // OnlyWords, KeyCount 0 and no keys answer nothing.
  for (int which = 0; which < 3; ++which) {
    model.SetOnlyWords(which == 0);
    count = which == 1 ? 0 : 10;
    out = {{1, 1.0f}};
    model.GetFiles(which == 2 ? TNNKeys{} : TNNKeys{{1, 1.0f}}, {}, count, out, 3);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(out.empty());
  }
}

TEST(ContextMSFiles, KeyFilesActivateTheirPagesOrMarkTheirWords) {
  TIContextMS model;
  for (int id : {1, 2, 3}) AddInputWord(model, id);
  model.AddFile(4);
  RelatePage(model, 2, 4, 0.5f);
  RelatePage(model, 3, 4, 0.5f);
  model.ActivateKeyFiles({{4, 0.7f}, {8, 1.0f}}, false);
  EXPECT_EQ(model.Network().GetElement({1, 0})->GetActivation(), 0.7f);
  EXPECT_EQ(model.Network().GetLayer(0)->GetContextSet().Count(), 0);
  model.ActivateKeyFiles({{4, 0.7f}}, true);
  TSlotSet& context = model.Network().GetLayer(0)->GetContextSet();
  ASSERT_EQ(context.Count(), 2);
  EXPECT_EQ(context.GetItem(0), model.FindWordElement(2));
  EXPECT_EQ(context.GetItem(1), model.FindWordElement(3));
}

TEST(ContextMSWords, RelationWeightOfModelAndChild) {
  TIContextMS model;
  TIContextMS child;
  for (int id : {1, 2, 3}) AddInputWord(model, id);
  for (int id : {1, 2, 3, 4}) AddInputWord(child, id);
  Relate(model, 1, 2, 0.3f);
  Relate(child, 1, 2, 0.5f);
  Relate(model, 1, 3, 0.3f);
  Relate(child, 1, 3, 0.1f);
  Relate(child, 1, 4, 0.2f);
  const float none = std::bit_cast<float>(int32_t{11});
  EXPECT_NEAR(none, 1.5e-44f, 1e-45f);
  EXPECT_EQ(model.GetRelationWeight(1, 2), 0.3f);
  EXPECT_EQ(model.GetRelationWeight(2, 3), none);
  EXPECT_EQ(model.GetRelationWeight(1, 4), none);
  ASSERT_TRUE(model.SetChildIContextMS(&child));
  EXPECT_EQ(model.GetRelationWeight(1, 2), 0.5f);  // the child's is larger
  EXPECT_EQ(model.GetRelationWeight(1, 3), 0.3f);
  EXPECT_EQ(model.GetRelationWeight(1, 4), 0.2f);  // only the child knows 4
  EXPECT_EQ(model.GetRelationWeight(3, 2), none);
}

TEST(ContextMSWords, LogLinesOfTheQueries) {
  TIWordDictionary dictionary;
  ASSERT_EQ(dictionary.AddWord(u"apple", 0, -1), 0);
  ASSERT_EQ(dictionary.AddWord(u"tree", 0, -1), 1);
  TIContextMS model;
  AddInputWord(model, 0);
  AddInputWord(model, 1);
  Relate(model, 0, 1, 0.25f);
  model.AddFile(3);
  RelatePage(model, 0, 3, 0.5f);

  ScopedLog log;
  model.ClearContextWords();
  model.AddContextWords({{3, 1.0f}, {7, 0.0f}});
  model.ActivateWords({{0, 1.0f}}, false);
  model.ActivateWords({}, true);
  int32_t count = 5;
  TNNKeys out;
  model.GetWords({{0, 1.0f}}, {{3, 0.5f}}, count, out, 7, 0.01f);
  model.SetWordDictionary(&dictionary);
  count = 5;
  model.GetWords({{0, 1.0f}}, {}, count, out, 0, 0.01f);
  count = 5;
  model.GetFiles({{0, 1.0f}}, {}, count, out, 3);
  count = 0;
  model.GetFiles({{0, 1.0f}}, {}, count, out, 2);
  const std::vector<std::string> expected = {
      "[Info] start TIContextMS.ClearContextWords ",
      "[Info] TIContextMS.ClearContextWords end",
      "[Info] start TIContextMS.AddContextWords (KeyFiles:  3 7)",
      "[Info] TIContextMS.AddContextWords end",
      "[Info] start TIContextMS.ActivateWords (KeyWords:  0 OnlyKeys: False )",
      "[Info] TIContextMS.ActivateWords end",
      "[Info] start TIContextMS.ActivateWords (KeyWords:  OnlyKeys: True )",
      "[Info] TIContextMS.ActivateWords end",
      "[Info] start TIContextMS.GetWords (KeyWords:  0 [1] KeyFiles:  3 [0.5] KeyCount: 5 OutList)",
      "[Info] " + std::string(19, ' ') + "Count: 1 KeysWords: 1, [0.25] ",
      "[Info] TIContextMS.GetWords end",
      "[Info] start TIContextMS.GetWords (KeyWords:  apple [1] KeyFiles:  KeyCount: 5 OutList)",
      "[Info] " + std::string(19, ' ') + "Count: 1 KeysWords: tree [0.25] ",
      "[Info] TIContextMS.GetWords end",
      "[Info] start TIContextMS.GetFiles (KeyWords:  apple [1] KeyFiles:  KeyCount: 5 OutList, Depth: 3 )",
      "[Info] TIContextMS.GetFiles end",
      "[Info] start TIContextMS.GetFiles (KeyWords:  apple [1] KeyFiles:  KeyCount: 0 OutList, Depth: 2 )",
  };
  EXPECT_EQ(log.Take(), expected);
}

}  // namespace
}  // namespace kestrune
