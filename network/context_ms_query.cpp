// The context model's queries: the word layer's context set, GetWords,
// GetFiles, GetRelationWeight and the steps they share. Every query is a
// short sequence of network steps (resets, start activations, context sets,
// Spread, Update) followed by reading the active elements.
#include <algorithm>
#include <bit>
#include <utility>

#include "network/context_ms.h"
#include "network/context_ms_internal.h"

namespace kestrune {

using namespace context_ms_detail;

namespace {

// The iterative quicksort of the model's lists: the pivot is followed by its
// index as entries are swapped; pending ranges wait on a stack that grows as
// needed.
template <typename List, typename Weight>
void QuickSortByWeight(List& list, int32_t count, Weight weight) {
  if (count < 2) return;
  std::vector<std::pair<int32_t, int32_t>> stack;
  stack.emplace_back(0, count - 1);
  while (!stack.empty()) {
    auto [left, right] = stack.back();
    stack.pop_back();
    do {
      int32_t i = left;
      int32_t j = right;
      int32_t p = (left + right) / 2;
      do {
        while (weight(list[i]) > weight(list[p])) ++i;
        while (weight(list[p]) > weight(list[j])) --j;
        if (i <= j) {
          if (i == p) {
            p = j;
          } else if (j == p) {
            p = i;
          }
          std::swap(list[i], list[j]);
          ++i;
          --j;
        }
      } while (i <= j);
      if (i < right) stack.emplace_back(i, right);
      right = j;
    } while (left < right);
  }
}

// Lateral inhibition of a query: -(n x factor) / 10, or -factor / 10 when no
// key word counts.
float Inhibition(int32_t counting, int32_t factor) {
  const int64_t product = int64_t{counting > 0 ? counting : 1} * factor;
  return -static_cast<float>(product) / 10.0f;
}

}  // namespace

void TIContextMS::SortByWeight(TNNKeys& list, int32_t count) {
  count = std::min<int32_t>(count, static_cast<int32_t>(list.size()));
  QuickSortByWeight(list, count, [](const TNNKey& key) { return key.Weight; });
}

void SortClusters(TClusters& clusters, int32_t count) {
  count = std::min<int32_t>(count, static_cast<int32_t>(clusters.Items.size()));
  QuickSortByWeight(clusters.Items, count, [](const TCluster& item) { return item.Weight; });
}

void NormalizeByMax(TNNKeys& list) {
  float largest = 0.0f;
  for (const TNNKey& key : list) largest = std::max(largest, key.Weight);
  if (!(largest > 0.0f)) return;
  // x (1 / M) in extended precision, rounded once: M itself becomes 1.
  const long double scale = 1.0L / static_cast<long double>(largest);
  for (TNNKey& key : list) key.Weight = static_cast<float>(static_cast<long double>(key.Weight) * scale);
}

int32_t TIContextMS::CountingKeyWords(const TNNKeys& keyWords) {
  int32_t n = 0;
  for (const TNNKey& key : keyWords) {
    if (key.Weight > 0.0f && FindWordElement(key.Id) >= 0) ++n;
  }
  return n;
}

// ---------------------------------------------------------------------------
// The word layer's context set

void TIContextMS::ClearContextWords() {
  Trace("start TIContextMS.ClearContextWords ");
  if (TASNLayer* words = WordLayer()) words->GetContextSet().Clear();
  Trace("TIContextMS.ClearContextWords end");
}

void TIContextMS::AddContextWords(const TNNKeys& keyFiles) {
  std::string line = "start TIContextMS.AddContextWords (KeyFiles: ";
  for (const TNNKey& key : keyFiles) line += " " + IntText(key.Id);
  line += ")";
  Trace(line);
  for (const TNNKey& key : keyFiles) {
    if (!(key.Weight > 0.0f)) continue;
    files_.GetElements(key.Id, elements_);
    for (const int32_t page : elements_) {
      if (ValidatePageElement(page) >= 0) network_->MarkRelationTargets(TASNAddress{kPageLayer, page}, kWordLayer);
    }
  }
  Trace("TIContextMS.AddContextWords end");
}

void TIContextMS::ActivateWords(const TNNKeys& keyWords, bool onlyKeys) {
  std::string line = "start TIContextMS.ActivateWords (KeyWords: ";
  for (const TNNKey& key : keyWords) line += " " + IntText(key.Id);
  line += onlyKeys ? " OnlyKeys: True )" : " OnlyKeys: False )";
  Trace(line);
  if (TASNLayer* words = WordLayer()) {
    for (const TNNKey& key : keyWords) {
      if (!(key.Weight > 0.0f)) continue;
      const int32_t element = FindWordElement(key.Id);
      if (element < 0) continue;
      words->GetContextSet().Add(element);
      if (!onlyKeys) network_->MarkRelationTargets(TASNAddress{kWordLayer, element}, kWordLayer);
    }
  }
  Trace("TIContextMS.ActivateWords end");
}

// ---------------------------------------------------------------------------
// Shared steps

void TIContextMS::ActivateKeyWords(const TNNKeys& keys) {
  for (const TNNKey& key : keys) {
    const int32_t element = FindWordElement(key.Id);
    if (element >= 0) network_->ActivateElement(TASNAddress{kWordLayer, element}, key.Weight);
  }
}

void TIContextMS::ActivateKeyFiles(const TNNKeys& keys, bool contextOnly) {
  for (const TNNKey& key : keys) {
    files_.GetElements(key.Id, elements_);
    for (const int32_t page : elements_) {
      if (contextOnly) {
        network_->MarkRelationTargets(TASNAddress{kPageLayer, page}, kWordLayer);
      } else {
        network_->ActivateElement(TASNAddress{kPageLayer, page}, key.Weight);
      }
    }
  }
}

void TIContextMS::CollectWords(TNNKeys& outList, float threshold) {
  TASNLayer* words = WordLayer();
  if (!words) return;
  const TSlotSet& active = words->GetActiveSet();
  const int32_t count = active.Count();
  if (count == 0) return;
  outList.clear();
  for (int32_t k = 0; k < count; ++k) {
    const auto element = static_cast<int32_t>(active.GetItem(k));
    const TASNElement* item = words->GetElement(element);
    if (!item || !(item->GetActivation() >= threshold)) continue;
    if (IsPlaceholder(static_cast<int32_t>(wordIds_.GetItem(element)))) continue;  // holds no word
    outList.push_back(TNNKey{GetWordId(element), item->GetActivation()});
  }
  SortByWeight(outList, static_cast<int32_t>(outList.size()));
}

void TIContextMS::CollectFiles(const TNNKeys& keyWords, TNNKeys& outList) {
  outList.clear();
  TASNLayer* pages = PageLayer();
  if (!pages) return;
  const TSlotSet& active = pages->GetActiveSet();
  const int32_t count = active.Count();
  if (count == 0) return;
  // The counting key words' elements.
  std::vector<int32_t> keys;
  for (const TNNKey& key : keyWords) {
    if (!(key.Weight > 0.0f)) continue;
    const int32_t element = FindWordElement(key.Id);
    if (element >= 0) keys.push_back(element);
  }
  const auto n = static_cast<int32_t>(keys.size());
  fileSlots_.clear();
  TRelationPosition position;
  for (int32_t k = 0; k < count; ++k) {
    const auto page = static_cast<int32_t>(active.GetItem(k));
    const TASNElement* item = pages->GetElement(page);
    if (!item) continue;
    const float activation = item->GetActivation();
    if (!(activation > 0.0f)) continue;
    // A page no document holds is not answered.
    const int32_t file = files_.FileOfElement(page);
    if (file == -1) continue;
    auto [slot, added] = fileSlots_.try_emplace(file, static_cast<int32_t>(outList.size()));
    if (added) outList.push_back(TNNKey{file, 0.0f});
    float& score = outList[slot->second].Weight;
    if (n >= 1) {
      int32_t related = 0;
      for (const int32_t element : keys) {
        network_->FindRelation(TASNAddress{kWordLayer, element}, TASNAddress{kPageLayer, page}, position);
        if (position.Node != -1) ++related;
      }
      // score + (k/n)^2 x activation in extended precision, rounded once.
      const long double share = static_cast<long double>(related) / static_cast<long double>(n);
      score = static_cast<float>(score + share * share * static_cast<long double>(activation));
    } else {
      score = score + activation;
    }
  }
  SortByWeight(outList, static_cast<int32_t>(outList.size()));
}

// ---------------------------------------------------------------------------
// Queries

namespace {

// " [weight]" lists of the query lines.
void AppendKeyFiles(std::string& line, const TNNKeys& keyFiles) {
  for (const TNNKey& key : keyFiles) line += " " + IntText(key.Id) + " [" + FloatText(key.Weight) + "]";
}

}  // namespace

void TIContextMS::GetWords(const TNNKeys& keyWords, const TNNKeys& keyFiles, int32_t& keyCount, TNNKeys& outList,
                           int32_t inhibitionFactor, float threshold) {
  std::string line = "start TIContextMS.GetWords (KeyWords: ";
  bool fromDictionary = false;
  for (const TNNKey& key : keyWords) {
    line += " " + WordText(key.Id, fromDictionary) + " [" + FloatText(key.Weight) + "]";
  }
  line += " KeyFiles: ";
  AppendKeyFiles(line, keyFiles);
  line += " KeyCount: " + IntText(keyCount) + " OutList)";
  Trace(line);

  const int32_t wanted = keyCount;
  if (WordElementCount() > 0) {
    const int32_t n = CountingKeyWords(keyWords);
    network_->LateralInhibition = Inhibition(n, inhibitionFactor);
    network_->ResetLayer(kPageLayer, true);
    network_->ResetLayer(kWordLayer, false);
    if (keyWords.empty() && keyFiles.empty()) {
      network_->ResetAll();
      network_->ActivateLayer(kWordLayer, 0.5f);
      network_->Spread(kWordLayer, kWordLayer, true, 0.0f);
    } else if (keyFiles.empty()) {
      ActivateKeyWords(keyWords);
      network_->Spread(kWordLayer, kWordLayer, false, network_->LateralInhibition);
    } else if (!keyWords.empty()) {
      ActivateKeyWords(keyWords);
      ActivateKeyFiles(keyFiles, false);
      network_->Spread(kPageLayer, kWordLayer, false, 0.0f);
      network_->Spread(kWordLayer, kWordLayer, false, 0.0f);
    } else {
      ActivateKeyFiles(keyFiles, false);
      network_->Spread(kPageLayer, kWordLayer, false, 0.0f);
    }
    network_->Update(kWordLayer);
    // The keys are never part of the answer.
    for (const TNNKey& key : keyWords) {
      const int32_t element = FindWordElement(key.Id);
      if (element >= 0) network_->DeactivateElement(TASNAddress{kWordLayer, element});
    }
    CollectWords(outList, threshold);
  }

  if (child_) {
    child_->ActivateWords(keyWords, false);
    int32_t childCount = wanted;
    TNNKeys childList;
    child_->GetWords(keyWords, TNNKeys{}, childCount, childList, inhibitionFactor, 0.01f);
    // A word both models answer keeps the larger weight; the child's other
    // words follow in the child's order.
    const size_t own = outList.size();
    for (const TNNKey& entry : childList) {
      auto same = std::find_if(outList.begin(), outList.begin() + static_cast<std::ptrdiff_t>(own),
                               [&](const TNNKey& key) { return key.Id == entry.Id; });
      if (same != outList.begin() + static_cast<std::ptrdiff_t>(own)) {
        same->Weight = std::max(same->Weight, entry.Weight);
      } else {
        outList.push_back(entry);
      }
    }
    child_->Network().ResetLayer(kWordLayer, true);
  }

  SortByWeight(outList, static_cast<int32_t>(outList.size()));
  keyCount = std::max(0, std::min(keyCount, static_cast<int32_t>(outList.size())));
  outList.resize(static_cast<size_t>(keyCount));

  line.assign(13, ' ');
  line += "      Count: " + IntText(keyCount) + " KeysWords: ";
  for (const TNNKey& key : outList) {
    const std::string text = WordText(key.Id, fromDictionary);
    line += fromDictionary ? text + " " : text + ", ";
    line += "[" + FloatText(key.Weight) + "] ";
  }
  Trace(line);
  Trace("TIContextMS.GetWords end");
}

void TIContextMS::GetFiles(const TNNKeys& keyWords, const TNNKeys& keyFiles, int32_t& keyCount, TNNKeys& outList,
                           int32_t depth) {
  std::string line = "start TIContextMS.GetFiles (KeyWords: ";
  bool fromDictionary = false;
  for (const TNNKey& key : keyWords) {
    line += " " + WordText(key.Id, fromDictionary) + " [" + FloatText(key.Weight) + "]";
  }
  line += " KeyFiles: ";
  AppendKeyFiles(line, keyFiles);
  line += " KeyCount: " + IntText(keyCount) + " OutList, Depth: " + IntText(depth) + " )";
  Trace(line);

  if (onlyWords_ || keyCount == 0) {
    keyCount = 0;
    outList.clear();
    return;
  }
  enum class Case { kNone, kWords, kBoth, kFiles };
  Case which = Case::kNone;
  if (WordElementCount() > 0) {
    if (!keyWords.empty()) {
      which = keyFiles.empty() ? Case::kWords : Case::kBoth;
    } else if (!keyFiles.empty()) {
      which = Case::kFiles;
    }
  }
  network_->ResetLayer(kPageLayer, true);
  network_->ResetLayer(kWordLayer, false);
  const int32_t n = CountingKeyWords(keyWords);
  float inhibition = Inhibition(n, depth);
  if (depth == 2) {
    inhibition = -100.0f;
  } else if (depth == 1) {
    inhibition = static_cast<float>(n) * -0.5f;
  }
  network_->LateralInhibition = inhibition;

  switch (which) {
    case Case::kNone:
      keyCount = 0;
      outList.clear();
      return;
    case Case::kWords:
      ActivateKeyWords(keyWords);
      network_->Spread(kWordLayer, kPageLayer, true, network_->LateralInhibition);
      network_->Update(kPageLayer);
      break;
    case Case::kBoth:
      ActivateKeyFiles(keyFiles, false);
      network_->Spread(kPageLayer, kWordLayer, false, 0.0f);
      network_->Update(kWordLayer);
      ActivateKeyWords(keyWords);
      network_->Spread(kWordLayer, kPageLayer, true, network_->LateralInhibition);
      network_->Update(kPageLayer);
      break;
    case Case::kFiles:
      ActivateKeyFiles(keyFiles, false);
      network_->Spread(kPageLayer, kWordLayer, false, 0.0f);
      network_->Update(kWordLayer);
      network_->Spread(kWordLayer, kPageLayer, true, 0.0f);
      network_->Update(kPageLayer);
      break;
  }

  CollectFiles(keyWords, outList);
  network_->ResetLayer(kWordLayer, false);
  keyCount = std::max(0, std::min(keyCount, static_cast<int32_t>(outList.size())));
  outList.resize(static_cast<size_t>(keyCount));
  NormalizeByMax(outList);
  Trace("TIContextMS.GetFiles end");
}

float TIContextMS::GetRelationWeight(int32_t wordId1, int32_t wordId2) {
  float weight = std::bit_cast<float>(int32_t{11});  // no relation
  TRelationPosition position;
  const int32_t from = FindWordElement(wordId1);
  const int32_t to = FindWordElement(wordId2);
  if (from >= 0 && to >= 0) {
    network_->FindRelation(TASNAddress{kWordLayer, from}, TASNAddress{kWordLayer, to}, position);
    if (position.Node != -1) {
      weight = network_->GetElement(TASNAddress{kWordLayer, from})->GetRelationWeight(position);
    }
  }
  if (child_) {
    const int32_t childFrom = child_->FindWordElement(wordId1);
    const int32_t childTo = child_->FindWordElement(wordId2);
    if (childFrom >= 0 && childTo >= 0) {
      TIASN& childNet = child_->Network();
      childNet.FindRelation(TASNAddress{kWordLayer, childFrom}, TASNAddress{kWordLayer, childTo}, position);
      if (position.Node != -1) {
        const float childWeight = childNet.GetElement(TASNAddress{kWordLayer, childFrom})->GetRelationWeight(position);
        if (childWeight > weight) weight = childWeight;
      }
    }
  }
  return weight;
}

}  // namespace kestrune
