#include "search/scope.h"

#include <algorithm>

#include "language/phrase_word_dictionary.h"
#include "language/storage_forms_words.h"

namespace kestrune {

void AppendQueryKey(std::u16string& text, TPhraseWordDictionary* dictionary, TStorageFormsWords* forms,
                    int32_t id, bool excluded) {
  if (!dictionary || id < 0) return;
  TWDWord* word = dictionary->GetWord(id);
  if (!word) return;
  const int32_t form = forms ? std::max(forms->GetForm(id), 0) : 0;
  const std::u16string wordText = word->GetForm(form);
  if (wordText.empty()) return;
  text += excluded ? u" -" : u" ";
  if (id >= TPhraseWordDictionary::kPhraseBase) {
    text += u'"';
    text += wordText;
    text += u'"';
  } else {
    text += wordText;
  }
}

namespace {

bool Contains(const TNNKeys& keys, int32_t id) {
  return std::any_of(keys.begin(), keys.end(), [id](const TNNKey& key) { return key.Id == id; });
}

// Both lists hold the same identifiers (the counts are compared apart).
bool SameIds(const TNNKeys& a, const TNNKeys& b) {
  for (const TNNKey& key : a) {
    if (!Contains(b, key.Id)) return false;
  }
  for (const TNNKey& key : b) {
    if (!Contains(a, key.Id)) return false;
  }
  return true;
}

TNNKey KeyAt(const TNNKeys& keys, int32_t position) {
  if (position < 0 || position >= static_cast<int32_t>(keys.size())) return TNNKey{-1, 0.0f};
  return keys[static_cast<size_t>(position)];
}

}  // namespace

TScopeWords TScope::MakeScope(const TNNKeys& included, const TNNKeys& excluded) {
  TScopeWords scope;
  scope.Included = included;
  scope.Excluded = excluded;
  scope.IncludedCount = static_cast<int32_t>(included.size());
  scope.ExcludedCount = static_cast<int32_t>(excluded.size());
  return scope;
}

bool TScope::Equal(const TScopeWords& scope, const TNNKeys& included, const TNNKeys& excluded) {
  return scope.Included.size() == included.size() && scope.Excluded.size() == excluded.size() &&
         SameIds(scope.Included, included) && SameIds(scope.Excluded, excluded);
}

void TScope::Clear() {
  scopes_.clear();
  current_ = -1;
}

void TScope::SetScopes(const TTScopeWords& scopes) {
  Clear();
  scopes_.reserve(scopes.size());
  for (const TScopeWords& source : scopes) {
    // A count read from a file may disagree with its list: the list is cut
    // to the count, never read past its end.
    const size_t included = std::min(source.Included.size(), static_cast<size_t>(std::max(source.IncludedCount, 0)));
    const size_t excluded = std::min(source.Excluded.size(), static_cast<size_t>(std::max(source.ExcludedCount, 0)));
    scopes_.push_back(MakeScope(TNNKeys(source.Included.begin(), source.Included.begin() + static_cast<ptrdiff_t>(included)),
                                TNNKeys(source.Excluded.begin(), source.Excluded.begin() + static_cast<ptrdiff_t>(excluded))));
  }
}

std::u16string TScope::GetQueryText(int32_t i) const {
  if (!IsValidIndex(i)) return std::u16string();
  const TScopeWords& scope = scopes_[static_cast<size_t>(i)];
  std::u16string text;
  for (const TNNKey& key : scope.Included) AppendQueryKey(text, dictionary_, forms_, key.Id, false);
  for (const TNNKey& key : scope.Excluded) AppendQueryKey(text, dictionary_, forms_, key.Id, true);
  if (!text.empty()) text.erase(0, 1);
  return text;
}

int32_t TScope::GetIncludedCount(int32_t i) const {
  return IsValidIndex(i) ? static_cast<int32_t>(scopes_[static_cast<size_t>(i)].Included.size()) : -1;
}

int32_t TScope::GetExcludedCount(int32_t i) const {
  return IsValidIndex(i) ? static_cast<int32_t>(scopes_[static_cast<size_t>(i)].Excluded.size()) : -1;
}

TNNKey TScope::GetIncludedKey(int32_t i, int32_t position) const {
  return IsValidIndex(i) ? KeyAt(scopes_[static_cast<size_t>(i)].Included, position) : TNNKey{-1, 0.0f};
}

TNNKey TScope::GetExcludedKey(int32_t i, int32_t position) const {
  return IsValidIndex(i) ? KeyAt(scopes_[static_cast<size_t>(i)].Excluded, position) : TNNKey{-1, 0.0f};
}

void TScope::SetIncludedKey(int32_t i, int32_t position, const TNNKey& key) {
  if (!IsValidIndex(i)) return;
  TNNKeys& keys = scopes_[static_cast<size_t>(i)].Included;
  if (position >= 0 && position < static_cast<int32_t>(keys.size())) keys[static_cast<size_t>(position)] = key;
}

void TScope::SetExcludedKey(int32_t i, int32_t position, const TNNKey& key) {
  if (!IsValidIndex(i)) return;
  TNNKeys& keys = scopes_[static_cast<size_t>(i)].Excluded;
  if (position >= 0 && position < static_cast<int32_t>(keys.size())) keys[static_cast<size_t>(position)] = key;
}

void TScope::SetCurrent(int32_t i) {
  if (IsValidIndex(i)) current_ = i;
}

int32_t TScope::Find(const TNNKeys& included, const TNNKeys& excluded) const {
  if (included.empty()) return -1;
  for (size_t i = 0; i < scopes_.size(); ++i) {
    if (Equal(scopes_[i], included, excluded)) return static_cast<int32_t>(i);
  }
  return -1;
}

void TScope::Add(const TNNKeys& included, const TNNKeys& excluded) {
  const int32_t found = Find(included, excluded);
  if (found >= 0) {
    current_ = found;
    return;
  }
  scopes_.push_back(MakeScope(included, excluded));
  current_ = Count() - 1;
}

void TScope::Replace(int32_t i, const TNNKeys& included, const TNNKeys& excluded) {
  if (!IsValidIndex(i) || included.empty()) return;
  const int32_t found = Find(included, excluded);
  if (found == i) return;
  int32_t target = i;
  if (found >= 0) {
    // The content would stand twice: its old place goes first.
    target = i < found ? i : i - 1;
    const bool duplicateWasCurrent = current_ == found;
    scopes_.erase(scopes_.begin() + found);
    if (duplicateWasCurrent) {
      current_ = target;
    } else if (found < current_) {
      --current_;
    }
  }
  scopes_[static_cast<size_t>(target)] = MakeScope(included, excluded);
  ClampCurrent();
}

void TScope::Delete(int32_t i) {
  if (!IsValidIndex(i)) return;
  scopes_.erase(scopes_.begin() + i);
  if (i < current_) --current_;
  ClampCurrent();
}

void TScope::ClampCurrent() {
  if (current_ >= Count()) current_ = Count() - 1;
}

}  // namespace kestrune
