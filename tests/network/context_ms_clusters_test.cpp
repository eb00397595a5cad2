// Word clusters on a small network whose growth follows by hand from the
// spreading rules: words 1, 2, 3 relate to each other (a cluster), 4 only to
// 1, and 5 and 6 only to each other (a pair, too small). The key word 9
// relates to every word and to the pages of documents 0..4.
#include <gtest/gtest.h>

#include <set>

#include "network/context_ms.h"
#include "tests/network/context_ms_test_support.h"

namespace kestrune {
namespace {

using test::AddInputWord;
using test::Relate;
using test::RelatePage;
using test::ScopedLog;

constexpr int32_t kKey = 9;

class ContextMSClusters : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int32_t id : {1, 2, 3, 4, 5, 6, kKey}) AddInputWord(model, id);
    Relate(model, 1, 2, 0.8f);
    Relate(model, 1, 3, 0.7f);
    Relate(model, 2, 3, 0.6f);
    Relate(model, 1, 4, 0.5f);
    Relate(model, 5, 6, 0.8f);
    // The key word's relations give the words of GetWords their weights
    // (their sum 2.2 stays below the budget).
    const std::pair<int32_t, float> toKey[] = {{1, 0.5f}, {5, 0.45f}, {2, 0.4f}, {6, 0.35f}, {3, 0.3f}, {4, 0.2f}};
    for (auto [id, w] : toKey) Relate(model, kKey, id, w);
    for (int32_t f = 0; f < 5; ++f) {
      model.AddFile(f);
      RelatePage(model, kKey, f, 0.6f - 0.1f * static_cast<float>(f));
    }
    RelatePage(model, 1, 0, 0.7f);
    RelatePage(model, 2, 0, 0.7f);
    RelatePage(model, 3, 1, 0.7f);
    RelatePage(model, 4, 2, 0.7f);
    RelatePage(model, 5, 3, 0.7f);
    // The caller's word context: the words, not the key.
    model.ClearContextWords();
    model.ActivateWords({{1, 1.0f}, {2, 1.0f}, {3, 1.0f}, {4, 1.0f}, {5, 1.0f}, {6, 1.0f}}, true);
    model.Network().GetLayer(0)->SetBudget(kBudget);
  }

  float Budget() { return model.Network().GetLayer(0)->GetBudget(); }

  static constexpr float kBudget = 3.5f;
  TIContextMS model;
};

TEST_F(ContextMSClusters, WordClusterThenDocumentsNoClusterReaches) {
  TClusters clusters;
  clusters.Items.resize(3);  // emptied first
  int32_t countKeyFile = 10;
  model.GetClusters({{kKey, 1.0f}}, {}, countKeyFile, clusters, 3, 0);
  EXPECT_EQ(Budget(), kBudget);
  EXPECT_EQ(clusters.FileCount, 5);
  ASSERT_EQ(clusters.Count, 4);
  ASSERT_EQ(clusters.Items.size(), 4u);

  // Seed 1 grows to 1, 2, 3 (4 is pushed out by 2 and 3, which it is not
  // related to); the seed 5 grows to a pair and forms nothing.
  const TCluster& words = clusters.Items[0];
  EXPECT_EQ(words.IsWordCluster, 1);
  EXPECT_EQ(words.Weight, 1.0f);  // 0.5 + 0.4 + 0.3, divided by itself
  EXPECT_EQ(words.WordCount, 3);
  EXPECT_EQ(words.Words, (TNNKeys{{1, 0.5f}, {2, 0.4f}, {3, 0.3f}}));
  // Its documents: page 0 from 1 and 2 (0.5 x 0.7 + 0.4 x 0.7), page 1 from
  // 3, scored with the query's key word, which both pages relate to.
  ASSERT_EQ(words.FileCount, 2);
  EXPECT_EQ(words.Files[0].Id, 0);
  EXPECT_FLOAT_EQ(words.Files[0].Weight, 0.63f);
  EXPECT_EQ(words.Files[1].Id, 1);
  EXPECT_FLOAT_EQ(words.Files[1].Weight, 0.21f);

  // Documents 2, 3, 4 in GetFiles order, each with its GetFiles score.
  for (int32_t k = 1; k < 4; ++k) {
    const TCluster& item = clusters.Items[k];
    EXPECT_EQ(item.IsWordCluster, 0);
    EXPECT_EQ(item.Weight, 0.0f);
    EXPECT_EQ(item.WordCount, 0);
    EXPECT_TRUE(item.Words.empty());
    ASSERT_EQ(item.FileCount, 1);
    EXPECT_EQ(item.Files[0].Id, k + 1);
    EXPECT_FLOAT_EQ(item.Files[0].Weight, (0.6f - 0.1f * static_cast<float>(k + 1)) / 0.6f);
  }
}

TEST_F(ContextMSClusters, FewDocumentsGiveOneItemPerDocument) {
  int32_t count = 50;
  TNNKeys files;
  model.GetFiles({{kKey, 1.0f}}, {}, count, files, 3);
  ASSERT_EQ(count, 5);
  for (int32_t minFiles : {5, 9}) {
    TClusters clusters;
    int32_t countKeyFile = 10;
    model.GetClusters({{kKey, 1.0f}}, {}, countKeyFile, clusters, 3, minFiles);
    EXPECT_EQ(Budget(), kBudget);
    ASSERT_EQ(clusters.Count, 5);
    EXPECT_EQ(clusters.FileCount, 5);
    for (int32_t k = 0; k < 5; ++k) {
      EXPECT_EQ(clusters.Items[k].IsWordCluster, 0);
      EXPECT_EQ(clusters.Items[k].Weight, 0.0f);
      EXPECT_EQ(clusters.Items[k].Files, (TNNKeys{files[k]}));
    }
  }
}

TEST_F(ContextMSClusters, NoSeedOrNoDocument) {
  // Words at or below 0.05 are no seeds: only one-document items.
  for (int32_t id : {1, 2, 3, 4, 5, 6}) Relate(model, kKey, id, 0.05f);
  TClusters clusters;
  int32_t countKeyFile = 10;
  model.GetClusters({{kKey, 1.0f}}, {}, countKeyFile, clusters, 3, 0);
  EXPECT_EQ(Budget(), kBudget);
  ASSERT_EQ(clusters.Count, 5);
  for (const TCluster& item : clusters.Items) EXPECT_EQ(item.IsWordCluster, 0);

  // No document: an empty answer, and no line after GetFiles'.
  ScopedLog log;
  model.GetClusters({{77, 1.0f}}, {{30, 1.0f}, {40, 1.0f}}, countKeyFile, clusters, 2, 0);
  EXPECT_EQ(Budget(), kBudget);
  EXPECT_EQ(clusters.Count, 0);
  EXPECT_EQ(clusters.FileCount, 0);
  EXPECT_TRUE(clusters.Items.empty());
  const std::vector<std::string> lines = log.Take();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[Info] start TIContextMS.GetClusters (KeyWords:  77 (KeyFiles:  30 40CountKeyFile: 10 OutList,  Depth: 2)");
  EXPECT_EQ(lines[2], "[Info] TIContextMS.GetFiles end");
}

TEST_F(ContextMSClusters, LogLines) {
  ScopedLog log;
  TClusters clusters;
  int32_t countKeyFile = 10;
  model.GetClusters({{kKey, 1.0f}}, {}, countKeyFile, clusters, 3, 0);
  std::vector<std::string> lines = log.Take();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], "[Info] start TIContextMS.GetClusters (KeyWords:  9 (KeyFiles: CountKeyFile: 10 OutList,  Depth: 3)");
  lines.erase(lines.begin(), lines.end() - 5);
  const std::string pad(11, ' ');
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "[Info] " + pad + "0 Weight 1 KeysWords: 1, 2, 3,  KeysFiles: 0, 1, ",
                       "[Info] " + pad + "1 Weight 0 KeysWords:  KeysFiles: 2, ",
                       "[Info] " + pad + "2 Weight 0 KeysWords:  KeysFiles: 3, ",
                       "[Info] " + pad + "3 Weight 0 KeysWords:  KeysFiles: 4, ",
                       "[Info] TIContextMS.GetClusters end",
                   }));
}

}  // namespace
}  // namespace kestrune
