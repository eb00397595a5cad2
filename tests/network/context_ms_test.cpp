// The context model's data and its building from parsed results: elements,
// the word-id set, the file table, the relation weights and the log lines.
#include "network/context_ms.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <tuple>

#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::MakeParse;
using test::PageWeight;
using test::ReversePageWeight;
using test::ScopedLog;
using test::TestWord;
using test::WordWeight;

// The weights as the building rules compute them, in single precision.
float Window(int d) {
  const float ratio = 0.4f / static_cast<float>(d);
  return ratio * ratio;
}

constexpr int16_t kLeftOut = TParsingWord::kLeftOut;

TEST(ContextMSData, StandardLayersAndElementParameters) {
  TIContextMS model;
  TIASN& net = model.Network();
  ASSERT_EQ(net.LayerCount(), 2);
  EXPECT_EQ(net.GetLayer(0)->GetBudget(), 5.0f);
  EXPECT_EQ(net.GetLayer(1)->GetBudget(), -1.0f);

  model.AddWord(42);
  model.AddFile(7);
  const TASNElement* word = net.GetElement({0, 0});
  const TASNElement* page = net.GetElement({1, 0});
  ASSERT_TRUE(word && page);
  EXPECT_EQ(word->GetThreshold(), 0.001f);
  EXPECT_EQ(word->GetAnchor(), 0.0f);  // AddWord: no input
  EXPECT_EQ(word->GetKInh(), 1.0f);
  EXPECT_EQ(word->GetKStim(), 1.0f);
  EXPECT_EQ(word->GetId(), 0);
  EXPECT_EQ(page->GetAnchor(), 1.0f);
  EXPECT_EQ(page->GetThreshold(), 0.001f);

  // Known ids add nothing.
  model.AddWord(42);
  model.AddFile(7);
  EXPECT_EQ(net.GetLayer(0)->GetCount(), 1);
  EXPECT_EQ(net.GetLayer(1)->GetCount(), 1);
  ASSERT_EQ(model.Files().Count(), 1);
  EXPECT_EQ(model.Files().Record(0).FileId, 7);
  EXPECT_EQ(model.Files().Record(0).First, 0);
  EXPECT_EQ(model.Files().Record(0).Count, 1);

  EXPECT_EQ(model.FindWordElement(42), 0);
  EXPECT_EQ(model.FindWordElement(43), -1);
  EXPECT_EQ(model.GetWordId(0), 42);
  EXPECT_EQ(model.GetWordId(1), -1);
  EXPECT_EQ(model.GetWordId(-1), -1);
  EXPECT_EQ(model.ValidatePageElement(0), 0);
  EXPECT_EQ(model.ValidatePageElement(1), -1);
  EXPECT_EQ(model.ValidatePageElement(-1), -1);
}

TEST(ContextMSData, FileTableRangesAndLookups) {
  TFilesASN files;
  EXPECT_EQ(files.FileOfElement(0), -1);  // empty
  EXPECT_EQ(files.Add(-1, 0, 1), -1);
  EXPECT_EQ(files.Add(10, 0, 2), 0);
  EXPECT_EQ(files.Add(3, 2, 1), 1);
  EXPECT_EQ(files.Add(8, 3, 0), 2);
  EXPECT_EQ(files.Add(5, 3, 4), 3);
  EXPECT_EQ(files.Add(10, 99, 9), 0);  // a known id: no second record
  EXPECT_EQ(files.Count(), 4);

  struct Case {
    int32_t element;
    int32_t file;
  };
  for (const Case c : {Case{-1, -1}, Case{0, 10}, Case{1, 10}, Case{2, 3}, Case{3, 5}, Case{6, 5}, Case{7, -1}}) {
    EXPECT_EQ(files.FileOfElement(c.element), c.file) << c.element;
  }
  std::vector<int32_t> elements{99};
  files.GetElements(5, elements);
  EXPECT_EQ(elements, (std::vector<int32_t>{3, 4, 5, 6}));
  files.GetElements(8, elements);
  EXPECT_TRUE(elements.empty());
  files.GetElements(77, elements);
  EXPECT_TRUE(elements.empty());
  files.SetRange(1, 2, 0);
  files.SetRange(-1, 0, 0);
  files.SetRange(4, 0, 0);
  EXPECT_EQ(files.FileOfElement(2), -1);
  files.Clear();
  EXPECT_EQ(files.Count(), 0);
  EXPECT_EQ(files.Find(10), -1);
}

TEST(ContextMSData, ChildCannotMakeACycleAndDetachesWhenDestroyed) {
  TIContextMS a;
  TIContextMS b;
  TIContextMS c;
  EXPECT_FALSE(a.SetChildIContextMS(&a));
  EXPECT_EQ(a.ChildIContextMS(), nullptr);
  EXPECT_TRUE(a.SetChildIContextMS(&b));
  EXPECT_TRUE(b.SetChildIContextMS(&c));
  EXPECT_FALSE(c.SetChildIContextMS(&a));  // c -> a -> b -> c
  EXPECT_FALSE(c.SetChildIContextMS(&b));
  EXPECT_EQ(c.ChildIContextMS(), nullptr);
  EXPECT_TRUE(a.SetChildIContextMS(&c));  // a -> c, b -> c: no cycle
  EXPECT_TRUE(b.SetChildIContextMS(nullptr));
  EXPECT_TRUE(c.SetChildIContextMS(&b));  // a -> c -> b
  {
    TIContextMS d;
    ASSERT_TRUE(b.SetChildIContextMS(&d));
  }
  EXPECT_EQ(b.ChildIContextMS(), nullptr);
}

TEST(ContextMSBuild, ThreeWordTitleRelationsAndPageWeights) {
  TIContextMS model;
  const TParsingText text = MakeParse({{{1, 2, 3}}});
  model.AddFile(0);
  model.AddTitleMSPage(text, 0, 0);

  const float w1 = Window(1);
  const float w2 = Window(2);
  EXPECT_FLOAT_EQ(w1, 0.16f);
  EXPECT_FLOAT_EQ(w2, 0.04f);
  for (auto [x, y, w] : {std::tuple{1, 2, w1}, std::tuple{2, 3, w1}, std::tuple{1, 3, w2}}) {
    EXPECT_EQ(WordWeight(model, x, y), w) << x << "-" << y;
    EXPECT_EQ(WordWeight(model, y, x), w) << y << "-" << x;
  }
  for (int id : {1, 2, 3}) {
    EXPECT_EQ(PageWeight(model, id, 0), 0.7f);
    EXPECT_EQ(ReversePageWeight(model, id, 0), 0.7f);
  }

  // The same title again: word relations grow to 0.2944, page relations
  // saturate.
  model.AddTitleMSPage(text, 0, 0);
  const float grown = WordWeight(model, 1, 2);
  EXPECT_NEAR(grown, 0.2944f, 1e-6f);
  EXPECT_EQ(WordWeight(model, 2, 1), grown);
  const float page = SaturatingWeight(0.8f, 0.7f + 0.7f);
  EXPECT_NEAR(page, 0.7679f, 1e-4f);  // 1.6 / (1 + e^(-2 x 1.4 / 0.72)) - 0.8
  EXPECT_EQ(PageWeight(model, 2, 0), page);
  EXPECT_EQ(ReversePageWeight(model, 2, 0), page);

  // An annotation adds its own increment: SaturatingWeight(0.8, old + 0.5).
  model.AddAnnotateMSPage(MakeParse({{{2, 9}}}), 0, 0);
  EXPECT_EQ(PageWeight(model, 2, 0), SaturatingWeight(0.8f, page + 0.5f));
  EXPECT_EQ(PageWeight(model, 9, 0), 0.5f);
  EXPECT_EQ(WordWeight(model, 2, 9), w1);
}

// Growth old + (1 - old) x w is rounded to single once. The bits were worked
// out in exact rational arithmetic from the single weights (0.4/d)^2; a
// rounding after each step gives 0x3E96BB9A, 0x3ED0891B and, at distance 2,
// 0x3DA0902E, 0x3DEC0F88, 0x3E1A44E5.
TEST(ContextMSBuild, RelationGrowthIsRoundedOnce) {
  struct Case {
    int occurrence;
    uint32_t near;  // distance 1
    uint32_t far;   // distance 2
  };
  const Case cases[] = {{1, 0x3E23D70Bu, 0x3D23D70Bu},
                        {2, 0x3E96BB99u, 0x3DA0902Fu},
                        {3, 0x3ED0891Au, 0x3DEC0F8Au},
                        {4, 0x3F008B81u, 0x3E1A44E6u}};
  TIContextMS model;
  const TParsingText text = MakeParse({{{1, 2, 3}}});
  model.AddFile(0);
  for (const Case& c : cases) {
    model.AddTitleMSPage(text, 0, 0);
    for (auto [x, y, bits] : {std::tuple{1, 2, c.near}, std::tuple{3, 2, c.near}, std::tuple{1, 3, c.far}}) {
      EXPECT_EQ(std::bit_cast<uint32_t>(WordWeight(model, x, y)), bits) << c.occurrence << ": " << x << "-" << y;
      EXPECT_EQ(std::bit_cast<uint32_t>(WordWeight(model, y, x)), bits) << c.occurrence << ": " << y << "-" << x;
    }
  }
}

TEST(ContextMSBuild, LeftOutRepeatedAndDeletedWords) {
  const float w2 = Window(2);
  {
    // A left-out word: linked to the page, no word relations either way.
    TIContextMS model;
    model.AddFile(0);
    model.AddTitleMSPage(MakeParse({{{1, TestWord(2, kLeftOut), 3}}}), 0, 0);
    EXPECT_EQ(model.Network().GetElement({0, model.FindWordElement(2)})->GetAnchor(), 0.0f);
    EXPECT_EQ(WordWeight(model, 1, 2), -1.0f);
    EXPECT_EQ(WordWeight(model, 2, 3), -1.0f);
    EXPECT_EQ(WordWeight(model, 1, 3), w2);
    EXPECT_EQ(PageWeight(model, 2, 0), 0.7f);
  }
  {
    // "a a b": no relation of a to itself; a-b strengthened once per
    // occurrence (d = 1, then d = 2).
    TIContextMS model;
    model.AddFile(0);
    model.AddTitleMSPage(MakeParse({{{1, 1, 2}}}), 0, 0);
    EXPECT_EQ(WordWeight(model, 1, 1), -1.0f);
    EXPECT_EQ(std::bit_cast<uint32_t>(WordWeight(model, 2, 1)), 0x3E463F15u);  // 0.16 grown by 0.04
    EXPECT_EQ(std::bit_cast<uint32_t>(WordWeight(model, 1, 2)), 0x3E463F15u);
    EXPECT_EQ(PageWeight(model, 1, 0), SaturatingWeight(0.8f, 0.7f + 0.7f));
  }
  {
    // A deleted word takes no relations; empty sentences and unknown
    // documents are skipped.
    TIContextMS model;
    model.AddFile(0);
    model.AddWordsSearch(MakeParse({{{1, 2, 3}}}));
    model.Network().DeleteElement({0, model.FindWordElement(2)});
    model.AddTitleMSPage(MakeParse({{{}, {1, 2, 3}}}), 0, 0);
    EXPECT_EQ(WordWeight(model, 1, 2), -1.0f);
    EXPECT_EQ(PageWeight(model, 2, 0), -1.0f);
    EXPECT_EQ(WordWeight(model, 1, 3), w2);
    model.AddTitleMSPage(MakeParse({{{4, 5}}}), 0, 1);  // no document 1
    model.AddTitleMSPage(MakeParse({{{4, 5}}}), 1, 0);  // no paragraph 1
    EXPECT_EQ(model.FindWordElement(4), -1);
  }
}

TEST(ContextMSBuild, DocumentWordListSetsPageWeights) {
  TIContextMS model;
  model.AddFile(0);
  model.AddFile(1);
  const TParsingText text = MakeParse({{{1, 2}}, {{3}}, {{TestWord(4, kLeftOut), 5, 6}}});
  model.AddTitleMSPage(text, 0, 0);
  model.AddAnnotateMSPage(text, 1, 0);
  // Position 100 in the engine's list: 0.9 - 100 x 0.00001 = 0.899.
  const float weight = 0.9f - 100 * 0.00001f;
  EXPECT_NEAR(weight, 0.899f, 1e-6f);
  model.AddUrlMSPage(text, 2, 0, {{4, 0.0f}, {1, 0.0f}, {7, 0.0f}}, weight);

  // Address words in the list get elements (with their flags), listed words
  // that are not in the text get input elements; address words not listed
  // stay unknown.
  EXPECT_EQ(model.Network().GetElement({0, model.FindWordElement(4)})->GetAnchor(), 0.0f);
  EXPECT_EQ(model.Network().GetElement({0, model.FindWordElement(7)})->GetAnchor(), 1.0f);
  EXPECT_EQ(model.FindWordElement(5), -1);
  for (int id : {1, 4, 7}) {
    EXPECT_EQ(PageWeight(model, id, 0), weight) << id;
    EXPECT_EQ(ReversePageWeight(model, id, 0), weight) << id;
  }
  EXPECT_EQ(PageWeight(model, 2, 0), 0.7f);  // not listed: as the title left it
  EXPECT_EQ(WordWeight(model, 4, 1), -1.0f);  // the list makes no word relations

  // Position 0 gives 0.9 on another document.
  model.AddUrlMSPage(text, 2, 1, {{1, 0.0f}}, 0.9f);
  EXPECT_EQ(PageWeight(model, 1, 1), 0.9f);
  EXPECT_EQ(PageWeight(model, 1, 0), weight);
}

TEST(ContextMSBuild, WordIdsStayAlignedWithWordElements) {
  TIContextMS model;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> id(0, 60);
  std::uniform_int_distribution<int> flag(0, 4);
  for (int round = 0; round < 40; ++round) {
    std::vector<test::TestParagraph> paragraphs(3);
    for (auto& paragraph : paragraphs) {
      paragraph.resize(2);
      for (auto& sentence : paragraph) {
        for (int w = 0; w < 5; ++w) sentence.emplace_back(id(rng), flag(rng) == 0 ? kLeftOut : 0);
      }
    }
    const TParsingText text = MakeParse(paragraphs);
    model.AddFile(round % 7);
    model.AddTitleMSPage(text, 0, round % 7);
    model.AddAnnotateMSPage(text, 1, round % 7);
    model.AddUrlMSPage(text, 2, round % 7, {{id(rng), 1.0f}, {id(rng) + 100, 1.0f}}, 0.9f);
    model.AddWord(id(rng) + 200);
    model.AddWordsSearch(text);
  }
  ASSERT_EQ(model.WordIdSet().Count(), model.Network().GetLayer(0)->GetCount());
  for (int32_t i = 0; i < model.WordIdSet().Count(); ++i) {
    const auto wordId = static_cast<int32_t>(model.WordIdSet().GetItem(i));
    EXPECT_EQ(model.FindWordElement(wordId), i);
    EXPECT_EQ(model.GetWordId(model.FindWordElement(wordId)), wordId);
  }
  EXPECT_EQ(model.Network().GetLayer(1)->GetCount(), 7);
}

TEST(ContextMSBuild, LogLinesOfTheBuildingSteps) {
  ScopedLog log;
  TIContextMS model;
  model.Clear();
  model.AddFile(3);
  const TParsingText text = MakeParse({{{1}}, {{2}}, {{3}}});
  model.AddWordsSearch(text);
  model.AddTitleMSPage(text, 0, 3);
  model.AddAnnotateMSPage(text, 1, 3);
  model.AddUrlMSPage(text, 2, 3, {}, 0.9f);
  const std::vector<std::string> expected = {
      "[Info] start TIContextMS.Clear ",  // the constructor's layers are made without a Clear
      "[Info] TIContextMS.Clear end",
      "[Info] TIContextMS.AddWordsSearch (TParsingText)",
      "[Info] TIContextMS.AddWordsSearch end",
      "[Info] TIContextMS.AddTitleMSPage (TParsingText, IndexFile: 3)",
      "[Info] TIContextMS.AddTitleMSPage end",
      "[Info] TIContextMS.AddAnnotateMSPage (TParsingText, IndexFile: 3)",
      "[Info] TIContextMS.AddAnnotateMSPage end",
      "[Info] TIContextMS.AddUrlMSPage (TParsingText, IndexFile: 3)",
      "[Info] TIContextMS.AddUrlMSPage end",
  };
  EXPECT_EQ(log.Take(), expected);
}

}  // namespace
}  // namespace kestrune
