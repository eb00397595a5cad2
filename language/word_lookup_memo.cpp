#include "language/word_lookup_memo.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace kestrune {

namespace {

// More new words than this between two uses: the memo starts again rather
// than forget them one by one.
constexpr int32_t kMostFollowed = 64;
// Tables grown past this by a large parse are given back on the next reset.
constexpr size_t kKeptSize = 4096;

// FNV-1a over UTF-16 units.
struct THash {
  uint64_t Value = 14695981039346656037ull;
  void Add(char16_t unit) {
    Value ^= unit;
    Value *= 1099511628211ull;
  }
};

}  // namespace

uint64_t TWordLookupMemo::FoldedHash(std::u16string_view text) {
  THash hash;
  // Folding changes no character below 128 but the capitals A-Z.
  if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; })) {
    for (const char16_t c : text) hash.Add(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c);
    return hash.Value;
  }
  // The full folding of the dictionary's comparison: a unit may become three.
  char16_t local[96];
  std::u16string heap;
  char16_t* folded = local;
  const size_t room = text.size() * 3 + 1;
  if (room > std::size(local)) {
    heap.resize(room);
    folded = heap.data();
  }
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = u_strFoldCase(reinterpret_cast<UChar*>(folded), static_cast<int32_t>(room),
                                       reinterpret_cast<const UChar*>(text.data()),
                                       static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status) || length < 0) {
    // Cannot happen with room for three units a unit; the text unfolded.
    for (const char16_t c : text) hash.Add(c);
    return hash.Value;
  }
  for (int32_t i = 0; i < length; ++i) hash.Add(folded[i]);
  return hash.Value;
}

void TWordLookupMemo::Clear() {
  if (heads_.bucket_count() > kKeptSize) {
    std::unordered_map<uint64_t, int32_t>().swap(heads_);
  } else {
    heads_.clear();
  }
  if (entries_.capacity() > kKeptSize) {
    std::vector<TEntry>().swap(entries_);
    TWordVariants().swap(readings_);
  } else {
    entries_.clear();
    readings_.clear();
  }
}

void TWordLookupMemo::Reset(const TIWordDictionary& dictionary) {
  Clear();
  known_ = dictionary.Count();
}

bool TWordLookupMemo::Follow(TIWordDictionary& dictionary) {
  const int32_t count = dictionary.Count();
  if (count == known_) return true;
  if (count < known_ || count - known_ > kMostFollowed) {
    Clear();
  } else {
    for (int32_t i = known_; i < count; ++i) {
      const TWDWord* word = dictionary.GetWord(i);
      const std::u16string text = word != nullptr ? word->GetStoredText() : std::u16string();
      if (text.empty() || word->GetGroup() >= 0) {
        Clear();
        break;
      }
      heads_.erase(FoldedHash(text));
    }
  }
  known_ = count;
  return false;
}

bool TWordLookupMemo::Find(std::u16string_view text, TWordVariants& list, int32_t& count) const {
  text = TIWordDictionary::StorableText(text);
  const auto head = heads_.find(FoldedHash(text));
  if (head == heads_.end()) return false;
  for (int32_t e = head->second; e >= 0; e = entries_[static_cast<size_t>(e)].Next) {
    const TEntry& entry = entries_[static_cast<size_t>(e)];
    if (entry.Text != text) continue;
    if (list.size() < static_cast<size_t>(entry.Count)) list.resize(static_cast<size_t>(entry.Count));
    std::copy_n(readings_.begin() + entry.First, entry.Count, list.begin());
    count = entry.Count;
    return true;
  }
  return false;
}

void TWordLookupMemo::Keep(std::u16string_view text, const TWordVariants& list, int32_t count) {
  text = TIWordDictionary::StorableText(text);
  count = std::clamp(count, 0, static_cast<int32_t>(list.size()));
  const auto head = heads_.try_emplace(FoldedHash(text), -1).first;
  TEntry entry;
  entry.Text = text;
  entry.First = static_cast<uint32_t>(readings_.size());
  entry.Count = count;
  entry.Next = head->second;
  readings_.insert(readings_.end(), list.begin(), list.begin() + count);
  head->second = static_cast<int32_t>(entries_.size());
  entries_.push_back(std::move(entry));
}

}  // namespace kestrune
