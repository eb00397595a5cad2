// The map rebuild (TCustomContentMap2::BuildMap): gather the keys from the
// current search step and the context model, name and relate them, lay them
// out, style and measure them and place their labels.
//
// A query map asks the context model for the words most related to the query
// words within the words of the ordered result documents; it becomes the base
// map. A hover map starts from the base map, carries the hovered key over from
// the map the user saw, marks the hovered word's context and dims the rest; it
// keeps the positions it was given. With RestoreBaseMap the base map comes
// back without asking the network.
//
// Every step is written to the shared log at level 0 in fixed words.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "core/log_file.h"
#include "map/content_map2.h"
#include "map/print_word_by_net.h"
#include "network/context_ms.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr uint32_t kHoverFlags = KF_HOVERED | KF_CARRIED | KF_CONTEXT | KF_INACTIVE | KF_NEW;
constexpr float kWordThreshold = 0.01f;
constexpr int32_t kQueryInhibition = -2;

void Trace(std::string_view text) { LogFile.Trace(text); }

// A Single in the shortest general decimal format ("0.5", "12", "1e-44").
std::string FloatText(float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general);
  return std::string(buffer, result.ptr);
}

// "GetFiles keys  1 2files ": the keys handed to the network.
void TraceKeyList(std::string_view head, const TNNKeys& list) {
  if (!LogFile.TraceOn()) return;
  std::string line(head);
  line += "keys ";
  for (const TNNKey& key : list) {
    line += ' ';
    line += std::to_string(key.Id);
  }
  line += "files ";
  Trace(line);
}

// One line a key: "<number> - <text>".
template <class TValue>
void TraceKeys(std::string_view head, const TKeys& keys, TValue value) {
  Trace(head);
  if (!LogFile.TraceOn() || !LogFile.LoggingOn()) return;
  for (const TKey& key : keys) Trace(FloatText(value(key)) + " - " + platform::Utf16ToUtf8(key.Name));
}

bool KindEmpty(const IControlKeys& steps, int32_t kind) {
  return steps.GetCurrent()[static_cast<size_t>(kind)].empty();
}

// Trunc of a pixel position in layout units, 0 when it is not a number.
float TruncUnits(float pixels, float larger) {
  const double units = std::trunc(static_cast<double>(pixels) * 100.0 / static_cast<double>(larger));
  if (!std::isfinite(units)) return 0.0f;
  return static_cast<float>(std::clamp(units, -2147483648.0, 2147483647.0));
}

// A name the map never shows: its key stays hidden.
bool HiddenName(const std::u16string& name) { return name.empty() || name == u" " || name == u"'s"; }

// "getmore_keys: 12 left off, its text stands on the map as 34".
void TraceSecondReading(int32_t id, int32_t shownId) {
  if (!LogFile.TraceOn()) return;
  Trace("getmore_keys: " + std::to_string(id) + " left off, its text stands on the map as " + std::to_string(shownId));
}

}  // namespace

std::u16string TCustomContentMap2::KeyName(int32_t id) const {
  return OnGetKeyName ? OnGetKeyName(id) : std::u16string();
}

void TCustomContentMap2::MergeKey(TKey key) {
  for (TKey& existing : keys_) {
    if (existing.Id == key.Id) {
      existing.Flags |= key.Flags;
      return;
    }
  }
  keys_.push_back(std::move(key));
}

void TCustomContentMap2::DropStopWords(TNNKeys& words, int32_t& count) const {
  if (!OnStopWordHook) return;
  std::erase_if(words, [this](const TNNKey& word) { return OnStopWordHook(word.Id); });
  count = std::min(count, static_cast<int32_t>(words.size()));
}

bool TCustomContentMap2::QueryAnswerRunsDry(const TControlKeyList& queryWords) const {
  const auto own = [&queryWords](const TNNKey& word) {
    return std::any_of(queryWords.begin(), queryWords.end(),
                       [&word](const TControlKeyCell& cell) { return cell.Key.Id == word.Id; });
  };
  const auto others = std::count_if(resultList_.begin(), resultList_.end(), [&own](const TNNKey& w) { return !own(w); });
  return others < kMinWordCount;
}

int32_t TCustomContentMap2::OtherReading(const TShownTexts& shown, int32_t id, const std::u16string& text) {
  if (HiddenName(text)) return -1;
  for (const auto& [shownId, shownText] : shown) {
    if (shownId != id && shownText == text) return shownId;
  }
  return -1;
}

void TCustomContentMap2::DropSecondReadings(TNNKeys& words, int32_t& count, TShownTexts& shown) const {
  size_t kept = 0;
  for (size_t i = 0; i < words.size(); ++i) {
    std::u16string text = KeyName(words[i].Id);
    const int32_t other = OtherReading(shown, words[i].Id, text);
    if (other >= 0) {
      TraceSecondReading(words[i].Id, other);
      continue;
    }
    shown.emplace_back(words[i].Id, std::move(text));
    words[kept++] = words[i];
  }
  words.resize(kept);
  count = std::min(count, static_cast<int32_t>(words.size()));
}

void TCustomContentMap2::AddUninhibitedWords(int32_t wanted, int32_t& count, TShownTexts& shown) {
  int32_t more = wanted;
  TNNKeys uninhibited;
  neuroNet_->GetWords(keyList_, TNNKeys{}, more, uninhibited, 0, kWordThreshold);
  DropStopWords(uninhibited, more);
  Trace("getmore_keys: the words of the query without inhibition fill the map");
  for (const TNNKey& word : uninhibited) {
    if (static_cast<int32_t>(resultList_.size()) >= wanted) break;
    const bool chosen = std::any_of(resultList_.begin(), resultList_.end(),
                                    [&word](const TNNKey& taken) { return taken.Id == word.Id; });
    if (chosen) continue;
    std::u16string text = KeyName(word.Id);
    const int32_t other = OtherReading(shown, word.Id, text);
    if (other >= 0) {
      TraceSecondReading(word.Id, other);
      continue;
    }
    shown.emplace_back(word.Id, std::move(text));
    resultList_.push_back(word);
  }
  count = static_cast<int32_t>(resultList_.size());
}

void TCustomContentMap2::getmore_keys(int32_t hovered) {
  Trace("getmore_keys enter");
  const TControlKeyLists& current = steps_->GetCurrent();
  int32_t count = std::max(wordCount_, kMinWordCount);
  keyList_.clear();
  keyList_.reserve(current[kKindQuery].size() + current[kKindExcluded].size());
  resultList_.clear();

  if (current[kKindHovered].empty() || hovered < 0) {
    // The query map.
    keys_.clear();
    for (const TControlKeyCell& cell : current[kKindQuery]) {
      keyList_.push_back(cell.Key);
      TKey key;
      key.Id = cell.Key.Id;
      key.Weight = cell.Key.Weight;
      key.Flags = KF_QUERY;
      key.Name = KeyName(key.Id);
      MergeKey(std::move(key));
    }
    for (const TControlKeyCell& cell : current[kKindExcluded]) keyList_.push_back(cell.Key);
    TraceKeyList("GetFiles ", keyList_);
    const int32_t inhibition = (excludedMode_ || noQueryMode_) ? 0 : kQueryInhibition;
    if (neuroNet_) {
      const int32_t wanted = count;
      neuroNet_->ClearContextWords();
      neuroNet_->AddContextWords(resultFiles_);
      {
        const TWordBudgetScope noBudget(*neuroNet_, TIContextMS::kNoBudget);
        neuroNet_->GetWords(keyList_, TNNKeys{}, count, resultList_, inhibition, kWordThreshold);
        DropStopWords(resultList_, count);
        // The query keys first: a word of a query word's text is the query's.
        TShownTexts shown;
        for (const TKey& key : keys_) shown.emplace_back(key.Id, key.Name);
        DropSecondReadings(resultList_, count, shown);
        if (inhibition != 0 && QueryAnswerRunsDry(current[kKindQuery])) AddUninhibitedWords(wanted, count, shown);
      }
      if (count >= 0 && resultList_.size() > static_cast<size_t>(count)) resultList_.resize(static_cast<size_t>(count));
      neuroNet_->ClearContextWords();
      neuroNet_->ActivateWords(resultList_, true);
    }
    for (const TNNKey& entry : resultList_) {
      TKey key;
      key.Id = entry.Id;
      key.Weight = entry.Weight;
      key.Name = KeyName(key.Id);
      MergeKey(std::move(key));
    }
  } else {
    // The hover map on top of the base map, which Keys holds here.
    const TKey& previous = previousKeys_[static_cast<size_t>(hovered)];
    bool matched = false;
    for (size_t i = keys_.size(); i-- > 0;) {
      TKey& key = keys_[i];
      key.Flags &= ~kHoverFlags;
      if (!matched && key.Id == previous.Id) {
        key = previous;
        key.Flags |= KF_HOVERED | KF_CARRIED;
        matched = true;
      } else {
        key.Flags |= KF_INACTIVE;
      }
    }
    if (!matched) {
      TKey key = previous;
      key.Flags = (key.Flags & ~kHoverFlags) | KF_HOVERED | KF_CARRIED;
      keys_.push_back(std::move(key));
    }
    const double wanted = std::trunc(static_cast<double>(hoverWordPercent_) / 100.0 * hoverWordBase_);
    count = static_cast<int32_t>(std::clamp(wanted, 0.0, 2147483647.0));
    for (const TControlKeyCell& cell : current[kKindHovered]) keyList_.push_back(cell.Key);
    for (const TControlKeyCell& cell : current[kKindExcluded]) keyList_.push_back(cell.Key);
    TraceKeyList("GetWords ", keyList_);
    if (neuroNet_) {
      neuroNet_->ClearContextWords();
      neuroNet_->ActivateWords(keyList_, false);
      {
        const TWordBudgetScope noBudget(*neuroNet_, TIContextMS::kNoBudget);
        neuroNet_->GetWords(keyList_, TNNKeys{}, count, resultList_, 0, kWordThreshold);
      }
      DropStopWords(resultList_, count);
    }
    for (const TNNKey& entry : resultList_) {
      TKey* key = nullptr;
      for (TKey& existing : keys_) {
        if (existing.Id == entry.Id) {
          key = &existing;
          break;
        }
      }
      // Another reading of a text the map shows is that key's context.
      std::u16string text;
      if (!key) {
        text = KeyName(entry.Id);
        for (TKey& existing : keys_) {
          if (HiddenName(text) || existing.Name != text) continue;
          TraceSecondReading(entry.Id, existing.Id);
          key = &existing;
          break;
        }
      }
      if (key) {
        key->Flags = (key->Flags | KF_CONTEXT) & ~KF_NEW;
      } else {
        TKey added;
        added.Id = entry.Id;
        added.Weight = entry.Weight;
        added.Flags = KF_CONTEXT | KF_NEW;
        added.Name = std::move(text);
        keys_.push_back(std::move(added));
        key = &keys_.back();
      }
      key->Flags &= ~KF_INACTIVE;
      key->HoverX = hoverPosX_;
      key->HoverY = hoverPosY_;
    }
  }

  if (keys_.size() > static_cast<size_t>(kMaxMapKeys)) keys_.resize(static_cast<size_t>(kMaxMapKeys));
  keyList_.clear();
  resultList_.clear();
  for (size_t i = keys_.size(); i-- > 0;) {
    TKey& key = keys_[i];
    if (key.Weight == 0.0f || HiddenName(key.Name)) key.Flags = KF_HIDDEN;
  }
  Trace("getmore_keys Leave");
}

void TCustomContentMap2::FillRelations() {
  const size_t n = keys_.size();
  relations_.resize(n);
  for (std::vector<float>& row : relations_) row.resize(n);
  if (!neuroNet_) return;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      const int32_t a = keys_[i].Id;
      const int32_t b = keys_[j].Id;
      relations_[i][j] = OnGetRelationKeys ? OnGetRelationKeys(a, b) : neuroNet_->GetRelationWeight(a, b);
    }
  }
}

void TCustomContentMap2::MatchPreviousKeys(int32_t hovered, float& hoverX, float& hoverY) {
  hoverTargetKey_ = -1;
  hoverX = 0.0f;
  hoverY = 0.0f;
  const float larger = static_cast<float>(std::max(mapWidth_, mapHeight_));
  for (size_t i = 0; i < keys_.size(); ++i) {
    for (size_t j = 0; j < previousKeys_.size(); ++j) {
      const TKey& previous = previousKeys_[j];
      if (previous.Id != keys_[i].Id) continue;
      if (static_cast<int32_t>(j) == hovered) {
        hoverX = TruncUnits(previous.Left, larger);
        hoverY = TruncUnits(previous.Top, larger);
        hoverTargetKey_ = static_cast<int32_t>(i);
      }
      if (hovered != -1 && (previous.Flags & KF_HIDDEN)) keys_[i].Flags |= KF_HIDDEN;
      break;
    }
  }
}

void TCustomContentMap2::BuildMap(bool Silent) {
  // 1.-4. The buttons of the excluded view and the no-query flag.
  if (!excludedMode_ && !KindEmpty(*steps_, kKindExcluded) && OnHasExcludedHook) OnHasExcludedHook();
  if (!excludedMode_ && KindEmpty(*steps_, kKindExcluded) && OnNoExcludedHook) OnNoExcludedHook();
  if (excludedMode_ && KindEmpty(*steps_, kKindQuery) && OnEmptyQueryHook) OnEmptyQueryHook();
  if (!excludedMode_ && KindEmpty(*steps_, kKindQuery)) {
    noQueryMode_ = true;
    steps_->SetValue(kKindSettings, kSettingNoQuery, 1.0f);
  }
  // 5. The main window orders the result documents into ResultFiles.
  if (OnBeforeKeysHook) OnBeforeKeysHook();

  // 6. No query words: an empty map.
  if (KindEmpty(*steps_, kKindQuery)) {
    keys_.clear();
    previousKeys_ = keys_;
    if (OnReGetData) OnReGetData(*this);
    if (OnNoKeysHook) OnNoKeysHook();
    return;
  }

  // 7., 8.
  previousKeys_ = keys_;
  if (std::min(mapWidth_, mapHeight_) <= 0) return;

  // An index that does not point into the previous keys is no hover.
  const int32_t hovered = (hoveredKey_ >= 0 && hoveredKey_ < PreviousKeyCount()) ? hoveredKey_ : -1;

  // 9., 10. Back to the base map, or a rebuild on top of it.
  const bool restoreWasClear = !restoreBaseMap_;
  keys_ = baseKeys_;
  bool baseOnly = false;
  if (restoreBaseMap_) {
    restoreBaseMap_ = false;
    baseOnly = hovered == -1;
  } else {
    hoverTargetKey_ = -1;
  }

  if (!baseOnly) {
    // 11.-13. The keys, the hidden ones, and no zero weights at the end.
    getmore_keys(hovered);
    for (TKey& key : keys_) {
      if (key.Weight == 0.0f) key.Flags |= KF_HIDDEN;
    }
    TraceKeys("Words and Weight", keys_, [](const TKey& key) { return key.Weight; });
    size_t kept = keys_.size();
    while (kept > 0 && keys_[kept - 1].Weight == 0.0f) --kept;
    if (kept > 0) keys_.resize(kept);

    // 14., 15. Relations and the layout of a query map.
    FillRelations();
    Trace("Allocation Words in Relativ coordinate");
    if (hovered == -1) LayoutKeys();
    Trace("Allocation complite");

    // 16.-19. Styles and sizes, smaller on a crowded map.
    maxWeight_ = 0.0f;
    minWeight_ = 1.0f;
    for (const TKey& key : keys_) {
      if (key.Flags & KF_QUERY) continue;
      maxWeight_ = std::max(maxWeight_, key.Weight);
      minWeight_ = std::min(minWeight_, key.Weight);
    }
    sizeReduction_ = 0;
    for (TKey& key : keys_) MeasureKey(key);
    double covered = 0.0;
    for (const TKey& key : keys_) covered += static_cast<double>(key.TextWidth) * key.TextHeight;
    const double area = static_cast<double>(mapWidth_) * mapHeight_;
    sizeReduction_ = 0.7 * area < covered ? 4 : 0.6 * area < covered ? 2 : 0;
    if (sizeReduction_ > 0) {
      for (TKey& key : keys_) MeasureKey(key);
    }
    TraceKeys("FontSizes", keys_, [](const TKey& key) { return key.FontSize; });

    // 20., 21. Pixels, around the hovered key's place on a hover map.
    Trace("Allocation words in map");
    float hoverX = 0.0f;
    float hoverY = 0.0f;
    MatchPreviousKeys(hovered, hoverX, hoverY);
    {
      TPrintWordByNet placer(mapWidth_, mapHeight_);
      placer.PlaceAll(keys_, hovered, hoverX, hoverY);
    }
    Trace("Allocation complite");

    // 22. A query map is the new base map.
    if (hovered == -1 && restoreWasClear) baseKeys_ = keys_;
  }

  // 23.
  Trace("Draw map");
  if (!Silent) {
    if (OnReGetData) {
      OnReGetData(*this);
    } else if (OnResize) {
      OnResize(*this);
    }
  }
  Trace("Map is drawn");
}

}  // namespace kestrune
