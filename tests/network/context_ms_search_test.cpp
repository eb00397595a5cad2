// A synthetic search of 200 documents fed to the context model the way the
// main window feeds it, and answers for a few key sets worked out from the
// building and spreading rules.
//
// Document i has the topic words A(i mod 10) and B(i mod 7) and a word U(i)
// of its own. Its title is "A B U", its annotation "L A" (L a left-out word),
// its address "U", and its own word list {A, B} with the document weight
// 0.9 - i x 0.00001.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <map>
#include <vector>

#include "network/context_ms.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::MakeParse;
using test::TestParagraph;
using test::TestWord;

constexpr int32_t kDocuments = 200;
constexpr int32_t kLeftOutWord = 5;
int32_t A(int32_t t) { return 100 + t; }
int32_t B(int32_t u) { return 200 + u; }
int32_t U(int32_t i) { return 1000 + i; }
float DocumentWeight(int32_t i) { return 0.9f - static_cast<float>(i) * 0.00001f; }

class ContextMSSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<TestParagraph> paragraphs;
    for (int32_t i = 0; i < kDocuments; ++i) {
      paragraphs.push_back({{A(i % 10), B(i % 7), U(i)}});
      paragraphs.push_back({{TestWord(kLeftOutWord, TParsingWord::kLeftOut), A(i % 10)}});
      paragraphs.push_back({{U(i)}});
    }
    const TParsingText text = MakeParse(paragraphs);
    model.Clear();
    for (int32_t i = 0; i < kDocuments; ++i) {
      model.AddFile(i);
      model.AddTitleMSPage(text, 3 * i, i);
      model.AddAnnotateMSPage(text, 3 * i + 1, i);
      model.AddUrlMSPage(text, 3 * i + 2, i, {{A(i % 10), 1.0f}, {B(i % 7), 1.0f}}, DocumentWeight(i));
    }
  }

  TIContextMS model;
};

TEST_F(ContextMSSearch, ModelShape) {
  EXPECT_EQ(model.Network().GetLayer(0)->GetCount(), 10 + 7 + kDocuments + 1);
  EXPECT_EQ(model.Network().GetLayer(1)->GetCount(), kDocuments);
  EXPECT_EQ(model.WordIdSet().Count(), model.Network().GetLayer(0)->GetCount());
  // The word list decides the topic words' page relations.
  EXPECT_EQ(test::PageWeight(model, A(3), 23), DocumentWeight(23));
  EXPECT_EQ(test::ReversePageWeight(model, B(2), 23), DocumentWeight(23));
  EXPECT_EQ(test::PageWeight(model, U(23), 23), 0.7f);
  EXPECT_EQ(test::PageWeight(model, kLeftOutWord, 23), 0.5f);
}

TEST_F(ContextMSSearch, DocumentsOfTwoTopicWords) {
  // A3 and B2 together: documents with both (i = 23, 93, 163) take input
  // 2 x weight and no inhibition; documents with one take weight - 0.6 (the
  // other key inhibits them, depth 3 x 2 keys / 10) and score a quarter,
  // (1/2)^2. Among equals the earlier document has the larger weight.
  int32_t count = 7;
  TNNKeys out;
  model.GetFiles({{A(3), 1.0f}, {B(2), 1.0f}}, {}, count, out, 3);
  ASSERT_EQ(count, 7);
  std::vector<int32_t> ids;
  for (const TNNKey& key : out) ids.push_back(key.Id);
  EXPECT_EQ(ids, (std::vector<int32_t>{23, 93, 163, 2, 3, 9, 13}));
  EXPECT_EQ(out[0].Weight, 1.0f);
  EXPECT_NEAR(out[1].Weight, DocumentWeight(93) / DocumentWeight(23), 1e-6);
  EXPECT_NEAR(out[2].Weight, DocumentWeight(163) / DocumentWeight(23), 1e-6);
  // One key: (w - 0.6) / (2 w23) x 1/4, relative to the top's 1.0.
  const double top = 2.0 * DocumentWeight(23);
  EXPECT_NEAR(out[3].Weight, 0.25 * (DocumentWeight(2) - 0.6) / top, 1e-5);
  EXPECT_NEAR(out[6].Weight, 0.25 * (DocumentWeight(13) - 0.6) / top, 1e-5);

  // All documents of one topic: ordered by their weight.
  count = 100;
  model.GetFiles({{A(7), 1.0f}}, {}, count, out, 3);
  ASSERT_EQ(count, 20);
  for (int32_t k = 0; k < 20; ++k) EXPECT_EQ(out[k].Id, 7 + 10 * k);
}

TEST_F(ContextMSSearch, WordsOfATopicWord) {
  // A3 is in the titles of the 20 documents i = 3 + 10k; its B neighbour is
  // B((3 + 3k) mod 7): B0 twice, every other B three times. Each title
  // grows the A-B relation by old + (1 - old) x 0.16, rounded once (the
  // bits worked out in exact arithmetic); the document's own word U is two
  // words away (0.04).
  const float w2 = (0.4f / 2.0f) * (0.4f / 2.0f);
  const float twice = std::bit_cast<float>(0x3E96BB99u);
  const float thrice = std::bit_cast<float>(0x3ED0891Au);
  EXPECT_EQ(model.GetRelationWeight(A(3), B(1)), thrice);
  EXPECT_EQ(model.GetRelationWeight(A(3), B(0)), twice);
  EXPECT_EQ(model.GetRelationWeight(A(3), U(13)), w2);

  const TNNKeys keys{{A(3), 1.0f}};
  model.ClearContextWords();
  model.ActivateWords(keys, false);
  int32_t count = 7;
  TNNKeys out;
  model.GetWords(keys, {}, count, out, 7, 0.01f);
  // The inputs (6 x 0.41 + 0.29 + 20 x 0.04) stay below the budget 5.
  ASSERT_EQ(count, 7);
  for (int32_t k = 0; k < 6; ++k) {
    EXPECT_GE(out[k].Id, B(1));
    EXPECT_LE(out[k].Id, B(6));
    EXPECT_EQ(out[k].Weight, thrice);
  }
  EXPECT_EQ(out[6], (TNNKey{B(0), twice}));

  count = 100;
  model.ActivateWords(keys, false);
  model.GetWords(keys, {}, count, out, 7, 0.01f);
  ASSERT_EQ(count, 27);
  for (int32_t k = 7; k < 27; ++k) {
    EXPECT_EQ(out[k].Weight, w2);
    EXPECT_EQ((out[k].Id - 1000) % 10, 3);
  }
}

TEST_F(ContextMSSearch, WordsOfADocument) {
  // Document 23 alone: its page feeds its words in the context set (those
  // the page relates to): A3 and B2 with the document weight, U23 with 0.7;
  // the left-out word takes no input.
  model.ClearContextWords();
  model.AddContextWords({{23, 1.0f}});
  int32_t count = 10;
  TNNKeys out;
  model.GetWords({}, {{23, 1.0f}}, count, out, 7, 0.01f);
  ASSERT_EQ(count, 3);
  std::map<int32_t, float> answer;
  for (const TNNKey& key : out) answer[key.Id] = key.Weight;
  EXPECT_EQ(answer, (std::map<int32_t, float>{{A(3), DocumentWeight(23)}, {B(2), DocumentWeight(23)}, {U(23), 0.7f}}));
  EXPECT_EQ(out[2].Id, U(23));
}

}  // namespace
}  // namespace kestrune
