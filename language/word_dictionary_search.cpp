// The look-ups of the word dictionary: exact, morphological (through the
// engine's analysis and the form index of the text-less words) and by
// substring; FindFirst/FindNext over the dictionary's own list.
#include <algorithm>

#include "language/word_dictionary.h"

namespace kestrune {

namespace {

void Append(TWordVariants& list, int32_t& count, int32_t word, int32_t form, int32_t growth) {
  if (static_cast<size_t>(count) >= list.size()) list.resize(list.size() + static_cast<size_t>(growth));
  TWordVariant& entry = list[static_cast<size_t>(count)];
  entry.WordIndex = word;
  entry.Form = static_cast<int16_t>(form);
  ++count;
}

// The rule of an analysis row for an ending of length k; -1 ("no rule") for
// anything outside the row.
int32_t RuleAt(const TLavelAffixIndexes& level, int32_t k) {
  if (k < 0 || static_cast<size_t>(k) >= level.Rules.size()) return -1;
  const int32_t rule = level.Rules[static_cast<size_t>(k)];
  return rule < 0 ? -1 : rule;
}

bool Contains(std::u16string_view text, std::u16string_view part) { return text.find(part) != std::u16string_view::npos; }

// The text lies inside the prefix, or a non-empty beginning of the text is an
// ending of the prefix.
bool PrefixOverlaps(std::u16string_view prefix, std::u16string_view text) {
  if (Contains(prefix, text)) return true;
  const size_t most = std::min(prefix.size(), text.size());
  for (size_t c = 1; c <= most; ++c) {
    if (prefix.substr(prefix.size() - c) == text.substr(0, c)) return true;
  }
  return false;
}

}  // namespace

int32_t TIWordDictionary::Search(std::u16string_view text, TWordVariants& list, int32_t flags,
                                 TAffixIndexes& scratch) {
  std::lock_guard<std::mutex> guard(lock_);
  return SearchUnlocked(text, list, flags, scratch);
}

int32_t TIWordDictionary::SearchUnlocked(std::u16string_view text, TWordVariants& list, int32_t flags,
                                         TAffixIndexes& scratch) {
  text = StorableText(text);
  const bool add = (flags & kSearchAdd) != 0;
  int32_t count = 0;
  if (Count() == 0 && !add) return 0;

  if (flags & kSearchSubstring) {
    if (text.size() <= static_cast<size_t>(kMaxSubstringLength)) SearchSubstring(text, list, count, flags);
    if (count == 0 && add) {
      const int32_t index = AddWordUnlocked(text, 0, -1);
      if (index >= 0) Append(list, count, index, 0, kSubstringGrowth);
    }
    return count;
  }

  if (HasLexemes()) {
    SearchMorphology(text, list, count, flags, scratch);
    if (count == 0 && add) {
      const int32_t index = AddWordUnlocked(text, 0, -1);
      if (index >= 0) Append(list, count, index, 0, kVariantGrowth);
    }
    return count;
  }

  // The exact look-up: every word of the text, whatever its part of speech or
  // group. Only a text that no word has is added, as (text, 0, -1): adding
  // that word next to a stored one would hide the stored word from the
  // readings (and from its stop-word mark and part-of-speech filter) and give
  // the text a second identifier. A full dictionary adds nothing (-1).
  int32_t head = IndexFind(text);
  if (head == -1 && add) head = AddWordUnlocked(text, 0, -1);
  AppendChain(head, list, count);
  return count;
}

void TIWordDictionary::AppendChain(int32_t head, TWordVariants& list, int32_t& count) {
  for (int32_t k = head; k != -1; k = Slot(k).NextSame) Append(list, count, k, 0, kVariantGrowth);
}

// ---------------------------------------------------------------------------
// Morphological look-up

void TIWordDictionary::RebuildFormIndex() {
  formIndex_.clear();
  const int32_t lexemes = engine_->LexemeCount();
  const int32_t n = Count();
  size_t total = 0;
  for (int32_t i = 0; i < n; ++i) {
    const TWDWord& word = Slot(i);
    if (word.Text || word.Group < 0 || word.Group >= lexemes) continue;
    if (const TMEGroup* lexeme = engine_->GetLexeme(word.Group)) total += static_cast<size_t>(lexeme->FormCount());
  }
  formIndex_.reserve(total);
  for (int32_t i = 0; i < n; ++i) {
    const TWDWord& word = Slot(i);
    if (word.Text || word.Group < 0 || word.Group >= lexemes) continue;
    const TMEGroup* lexeme = engine_->GetLexeme(word.Group);
    if (!lexeme) continue;
    const int32_t forms = lexeme->FormCount();
    for (int32_t f = 0; f < forms; ++f) formIndex_.push_back({lexeme->GetFormRule(f), i, f});
  }
  std::stable_sort(formIndex_.begin(), formIndex_.end(),
                   [](const TWDIndex& a, const TWDIndex& b) { return a.FormKey < b.FormKey; });
  formsStale_ = false;
}

void TIWordDictionary::SearchMorphology(std::u16string_view text, TWordVariants& list, int32_t& count, int32_t flags,
                                        TAffixIndexes& scratch) {
  const bool allForms = (flags & kSearchAllForms) != 0;
  if (formsStale_) RebuildFormIndex();
  const int32_t length = static_cast<int32_t>(text.size());
  if (scratch.size() < static_cast<size_t>(length)) scratch.resize(static_cast<size_t>(length) + 16);
  const int32_t levels =
      std::clamp<int32_t>(engine_->AnalyseWord(text, scratch), 0, static_cast<int32_t>(scratch.size()));
  const int32_t maxEnding = engine_->MaxEndingLength();
  const int32_t lexemes = engine_->LexemeCount();

  // Text-less words: an ending that is all of the text after the prefix.
  for (int32_t i = 0; i < levels; ++i) {
    const TLavelAffixIndexes& level = scratch[static_cast<size_t>(i)];
    const int32_t k = length - level.PrefixLength;
    // Entries beyond the longest ending are left over from earlier analyses.
    if (k < 0 || k > maxEnding) continue;
    const int32_t rule = RuleAt(level, k);
    if (rule < 0) continue;
    auto it = std::lower_bound(formIndex_.begin(), formIndex_.end(), rule,
                               [](const TWDIndex& entry, int32_t key) { return entry.FormKey < key; });
    for (; it != formIndex_.end() && it->FormKey == rule; ++it) {
      if (allForms || count == 0 || list[static_cast<size_t>(count) - 1].WordIndex != it->WordIndex) {
        Append(list, count, it->WordIndex, it->FormNumber, kVariantGrowth);
      }
    }
  }

  // Stems: the text after the prefix without an ending of length j.
  if (length == 0) return;
  const int32_t m = std::min(length - 1, maxEnding);
  for (int32_t i = 0; i < levels; ++i) {
    const TLavelAffixIndexes& level = scratch[static_cast<size_t>(i)];
    const int32_t p = level.PrefixLength;
    if (p >= length) continue;  // no stem is left
    const std::u16string_view area = text.substr(static_cast<size_t>(p));
    const int32_t areaLength = static_cast<int32_t>(area.size());
    const int32_t jMax = std::min(m, areaLength - 1);  // stems are not empty
    if (jMax < 0) continue;
    if (fastSpeed_) FindStemHeads(area, jMax);
    for (int32_t j = 0; j <= jMax; ++j) {
      const int32_t rule = RuleAt(level, j);
      if (rule < 0) continue;
      const int32_t head = fastSpeed_ ? stemHeads_[static_cast<size_t>(j)]
                                      : IndexFind(area.substr(0, static_cast<size_t>(areaLength - j)));
      for (int32_t w = head; w != -1; w = Slot(w).NextSame) {
        const int32_t group = Slot(w).Group;
        if (group >= 0 && group < lexemes) {
          for (int32_t form = engine_->FirstForm(group, rule, j); form != -1; form = engine_->NextForm()) {
            Append(list, count, w, form, kVariantGrowth);
            if (!allForms) break;
          }
        } else if (j == 0 && p == 0) {
          Append(list, count, w, 0, kVariantGrowth);
        }
      }
    }
  }
}

// One walk of the ternary tree along the stem area: stemHeads_[j] is the first
// word whose text is the area without its last j characters (j <= maxEnding,
// the stem not empty), or -1.
void TIWordDictionary::FindStemHeads(std::u16string_view area, int32_t maxEnding) {
  stemHeads_.assign(static_cast<size_t>(maxEnding) + 1, -1);
  const int32_t areaLength = static_cast<int32_t>(area.size());
  const int32_t shortest = areaLength - maxEnding;
  const int32_t* entry = CharEntry(area, false);
  int32_t node = entry ? *entry : 0;
  for (int32_t k = 1; k <= areaLength && node != 0; ++k) {
    // The first k characters are matched; `node` is the root of the tree over
    // the next character, where the end node (char -1) sorts lowest.
    if (k >= shortest) {
      int32_t end = node;
      while (end != 0 && nodes_[end].Char != -1) end = nodes_[end].Lower;
      if (end != 0) stemHeads_[static_cast<size_t>(areaLength - k)] = nodes_[end].Equal;
    }
    if (k == areaLength) break;
    const int32_t key = area[static_cast<size_t>(k)];
    while (node != 0 && nodes_[node].Char != key) node = key < nodes_[node].Char ? nodes_[node].Lower : nodes_[node].Higher;
    if (node != 0) node = nodes_[node].Equal;
  }
}

// ---------------------------------------------------------------------------
// Substring look-up

void TIWordDictionary::SearchSubstring(std::u16string_view text, TWordVariants& list, int32_t& count, int32_t flags) {
  if (HasLexemes()) {
    SearchSubstringLexemes(text, list, count, flags);
    return;
  }
  const int32_t n = Count();
  for (int32_t i = 0; i < n; ++i) {
    if (Contains(Slot(i).StoredView(), text)) Append(list, count, i, 0, kSubstringGrowth);
  }
}

void TIWordDictionary::SearchSubstringLexemes(std::u16string_view text, TWordVariants& list, int32_t& count,
                                              int32_t flags) {
  const bool allForms = (flags & kSearchAllForms) != 0;
  const int32_t length = static_cast<int32_t>(text.size());
  const int32_t lexemes = engine_->LexemeCount();

  // Per lexeme: the first form whose ending holds the text, and the first
  // whose prefix overlaps it.
  endingForms_.assign(static_cast<size_t>(lexemes), -1);
  prefixForms_.assign(static_cast<size_t>(lexemes), -1);
  for (int32_t g = 0; g < lexemes; ++g) {
    const TMEGroup* lexeme = engine_->GetLexeme(g);
    if (!lexeme) continue;
    const int32_t forms = lexeme->FormCount();
    if (lexeme->MaxEndingLength() >= length) {
      for (int32_t j = 0; j < forms; ++j) {
        const std::u16string ending = lexeme->GetFormEnding(j);
        if (static_cast<int32_t>(ending.size()) >= length && Contains(ending, text)) {
          endingForms_[static_cast<size_t>(g)] = j;
          break;
        }
      }
    }
    for (int32_t j = 0; j < forms; ++j) {
      const std::u16string prefix = lexeme->GetFormPrefix(j);
      if (!prefix.empty() && PrefixOverlaps(prefix, text)) {
        prefixForms_[static_cast<size_t>(g)] = j;
        break;
      }
    }
  }

  const int32_t n = Count();
  for (int32_t i = 0; i < n; ++i) {
    const TWDWord& word = Slot(i);
    const int32_t group = word.Group;
    if (group < 0 || group >= lexemes) continue;  // only words of a lexeme
    const TMEGroup* lexeme = engine_->GetLexeme(group);
    if (!lexeme) continue;
    const int32_t forms = lexeme->FormCount();
    const std::u16string_view stored = word.StoredView();

    // The first place q where the text lies in the stored text, or where a
    // beginning of the text (c characters) is the rest of the stored text.
    int32_t q = -1;
    int32_t c = 0;
    for (size_t at = 0; at < stored.size(); ++at) {
      const std::u16string_view tail = stored.substr(at);
      if (tail.size() >= text.size() ? tail.substr(0, text.size()) == text : text.substr(0, tail.size()) == tail) {
        q = static_cast<int32_t>(at);
        c = static_cast<int32_t>(std::min(tail.size(), text.size()));
        break;
      }
    }
    if (q >= 0) {
      if (c == length) {
        Append(list, count, i, 0, kSubstringGrowth);
      } else if (lexeme->MaxEndingLength() >= length - c) {
        const std::u16string_view tail = stored.substr(static_cast<size_t>(q));
        for (int32_t j = 0; j < forms; ++j) {
          if (Contains(std::u16string(tail) + lexeme->GetFormEnding(j), text)) {
            Append(list, count, i, j, kSubstringGrowth);
            if (!allForms) break;
          }
        }
      }
      continue;
    }
    const int32_t byEnding = endingForms_[static_cast<size_t>(group)];
    if (byEnding >= 0) {
      if (!allForms) {
        Append(list, count, i, byEnding, kSubstringGrowth);
      } else {
        for (int32_t j = byEnding; j < forms; ++j) {
          if (Contains(lexeme->GetFormEnding(j), text)) Append(list, count, i, j, kSubstringGrowth);
        }
      }
      continue;
    }
    const int32_t byPrefix = prefixForms_[static_cast<size_t>(group)];
    if (byPrefix >= 0) {
      for (int32_t j = byPrefix; j < forms; ++j) {
        const std::u16string whole = lexeme->GetFormPrefix(j) + std::u16string(stored) + lexeme->GetFormEnding(j);
        if (Contains(whole, text)) {
          Append(list, count, i, j, kSubstringGrowth);
          if (!allForms) break;
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------
// FindFirst / FindNext

int32_t TIWordDictionary::FindFirst(std::u16string_view text, TWordVariant& first, int32_t flags) {
  std::lock_guard<std::mutex> guard(lock_);
  return FindFirstUnlocked(text, first, flags);
}

int32_t TIWordDictionary::FindFirstUnlocked(std::u16string_view text, TWordVariant& first, int32_t flags) {
  if (ownList_.size() != 32) ownList_.resize(32);
  ownCount_ = SearchUnlocked(text, ownList_, flags, ownScratch_);
  first = ownCount_ > 0 ? ownList_[0] : TWordVariant{-1, 0, 0};
  cursor_ = 1;
  return ownCount_;
}

int32_t TIWordDictionary::FindNext(TWordVariant& variant) {
  std::lock_guard<std::mutex> guard(lock_);
  if (cursor_ < 1 || cursor_ >= ownCount_) {
    variant = TWordVariant{-1, 0, 0};
    return -1;
  }
  variant = ownList_[static_cast<size_t>(cursor_++)];
  return variant.WordIndex;
}

}  // namespace kestrune
