// Word clusters: the words that go with the keys are grown, from the
// strongest ones as seeds, into groups of words that keep each other active
// above the membership threshold; each group is given the documents it leads
// to, and documents no group reaches become clusters of their own.
#include <algorithm>

#include "language/word_dictionary.h"
#include "network/context_ms.h"
#include "network/context_ms_internal.h"

namespace kestrune {

using namespace context_ms_detail;

namespace {

constexpr int32_t kClusterFiles = 50;
constexpr int32_t kClusterWords = 1000000;
constexpr int32_t kClusterInhibitionFactor = 7;
constexpr float kClusterWordThreshold = 0.01f;
constexpr float kSeedThreshold = 0.05f;
constexpr float kGrowthInhibition = -1.0f;
constexpr float kMembership = 0.3f;
constexpr int32_t kMinClusterWords = 3;

TCluster DocumentCluster(const TNNKey& document) {
  TCluster item;
  item.IsWordCluster = 0;
  item.Weight = 0.0f;
  item.FileCount = 1;
  item.WordCount = 0;
  item.Files.push_back(document);
  return item;
}

bool HasId(const TNNKeys& list, int32_t id) {
  return std::any_of(list.begin(), list.end(), [id](const TNNKey& key) { return key.Id == id; });
}

}  // namespace

void TIContextMS::GetClusters(const TNNKeys& keyWords, const TNNKeys& keyFiles, int32_t& countKeyFile,
                              TClusters& outList, int32_t depth, int32_t minFiles) {
  std::string line = "start TIContextMS.GetClusters (KeyWords: ";
  for (const TNNKey& key : keyWords) line += " " + IntText(key.Id);
  line += " (KeyFiles: ";
  for (const TNNKey& key : keyFiles) line += " " + IntText(key.Id);
  line += "CountKeyFile: " + IntText(countKeyFile) + " OutList,  Depth: " + IntText(depth) + ")";
  Trace(line);

  outList.Items.clear();
  outList.Count = 0;

  int32_t found = kClusterFiles;
  TNNKeys docs;
  GetFiles(keyWords, keyFiles, found, docs, depth);
  outList.FileCount = found;
  if (found == 0) return;

  if (found > minFiles) {
    TNNKeys words;
    {
      TWordBudgetScope budget(*this);
      network_->ResetLayer(kWordLayer, false);
      int32_t wordCount = kClusterWords;
      GetWords(keyWords, TNNKeys{}, wordCount, words, kClusterInhibitionFactor, kClusterWordThreshold);

      // Seeds: the words above the seed threshold, up to the first one that is
      // not; the list ends with that one.
      TIAVLTree pool;
      for (size_t k = 0; k < words.size(); ++k) {
        if (words[k].Weight <= kSeedThreshold) {
          words.resize(k + 1);
          break;
        }
        pool.Add(words[k].Id);
      }

      const int32_t seeds = pool.Count();
      TNNKeys members;
      TNNKeys active;
      for (int32_t s = 0; s < seeds; ++s) {
        if (s >= pool.Count()) continue;  // the slot is gone: no seed
        const auto seed = static_cast<int32_t>(pool.GetItem(s));
        members.assign(1, TNNKey{seed, 1.0f});
        budget.Set(kWordBudget);
        // Growth: the strongest word that the members keep above the
        // membership threshold joins them, until none is left.
        for (;;) {
          network_->ResetInputs(kWordLayer);
          network_->ResetLayer(kWordLayer, false);
          ActivateKeyWords(members);
          network_->Spread(kWordLayer, kWordLayer, false, kGrowthInhibition);
          network_->Update(kWordLayer);
          active.clear();
          CollectWords(active, kMembership);
          if (active.size() <= members.size()) break;
          auto next = std::find_if(active.begin(), active.end(),
                                   [&](const TNNKey& key) { return !HasId(members, key.Id); });
          if (next == active.end()) break;
          members.push_back(TNNKey{next->Id, 1.0f});
        }

        if (static_cast<int32_t>(members.size()) < kMinClusterWords) {
          pool.Delete(s);
          continue;
        }
        const bool known = std::any_of(outList.Items.begin(), outList.Items.end(), [&](const TCluster& item) {
          return item.WordCount == static_cast<int32_t>(members.size()) &&
                 std::all_of(members.begin(), members.end(),
                             [&](const TNNKey& member) { return HasId(item.Words, member.Id); });
        });
        if (known) {
          pool.Delete(s);
          continue;
        }
        TCluster item;
        item.IsWordCluster = 1;
        item.Weight = 0.0f;
        for (const TNNKey& member : members) {
          auto weight = std::find_if(words.begin(), words.end(), [&](const TNNKey& key) { return key.Id == member.Id; });
          const float w = weight != words.end() ? weight->Weight : 0.0f;
          item.Words.push_back(TNNKey{member.Id, w});
          item.Weight = item.Weight + w;
          const int32_t slot = pool.Find(member.Id);
          if (slot >= 0) pool.Delete(slot);
        }
        SortByWeight(item.Words, static_cast<int32_t>(item.Words.size()));
        item.WordCount = static_cast<int32_t>(members.size());
        outList.Items.push_back(std::move(item));
        outList.Count = static_cast<int32_t>(outList.Items.size());
      }
    }  // the word layer's budget is back as it was

    float largest = 0.0f;
    for (const TCluster& item : outList.Items) largest = std::max(largest, item.Weight);
    if (largest > 0.0f) {
      const long double scale = 1.0L / static_cast<long double>(largest);
      for (TCluster& item : outList.Items) {
        item.Weight = static_cast<float>(static_cast<long double>(item.Weight) * scale);
      }
    }
    SortClusters(outList, outList.Count);

    // The documents each word cluster leads to, among those found.
    if (TASNLayer* pages = PageLayer()) {
      TSlotSet& context = pages->GetContextSet();
      context.Clear();
      for (const TNNKey& document : docs) {
        files_.GetElements(document.Id, elements_);
        for (const int32_t page : elements_) context.Add(page);
      }
    }
    std::vector<bool> taken(docs.size(), false);
    for (TCluster& item : outList.Items) {
      network_->ResetInputs(kWordLayer);
      network_->ResetInputs(kPageLayer);
      network_->ResetLayer(kPageLayer, false);
      network_->ResetLayer(kWordLayer, false);
      ActivateKeyWords(item.Words);
      network_->Spread(kWordLayer, kPageLayer, false, 0.0f);
      network_->Update(kPageLayer);
      CollectFiles(keyWords, item.Files);
      item.FileCount = static_cast<int32_t>(item.Files.size());
      for (size_t d = 0; d < docs.size(); ++d) {
        if (!taken[d] && HasId(item.Files, docs[d].Id)) taken[d] = true;
      }
    }
    for (size_t d = 0; d < docs.size(); ++d) {
      if (!taken[d]) outList.Items.push_back(DocumentCluster(docs[d]));
    }
    outList.Count = static_cast<int32_t>(outList.Items.size());
  } else {
    for (const TNNKey& document : docs) outList.Items.push_back(DocumentCluster(document));
    outList.Count = found;
  }

  bool fromDictionary = false;
  for (int32_t i = 0; i < outList.Count; ++i) {
    const TCluster& item = outList.Items[i];
    line.assign(11, ' ');
    line += IntText(i) + " Weight " + FloatText(item.Weight) + " KeysWords: ";
    for (const TNNKey& word : item.Words) {
      const std::string text = WordText(word.Id, fromDictionary);
      line += fromDictionary ? text + " " : text + ", ";
    }
    line += " KeysFiles: ";
    for (const TNNKey& file : item.Files) line += IntText(file.Id) + ", ";
    Trace(line);
  }
  Trace("TIContextMS.GetClusters end");
}

}  // namespace kestrune
