// TWordLookupMemo: the readings a parse has already looked up in its word
// dictionary, by the text looked up, so that a word met again in the same
// parse is not analysed again.
//
// What a look-up finds depends on the text and on the dictionary's words
// only. While a parse runs the dictionary only gains words, and a word added
// with a text and no lexeme (as a parse adds an unknown word) changes the
// look-ups of the texts equal to its own when letter case is folded, and no
// other. So before every use the memo is brought up to the dictionary's
// count: it forgets every text that folds like the text of a word added
// since, and everything when a word of a lexeme or a word without text came,
// or when the dictionary lost words. A look-up during which the dictionary
// changed is not kept.
//
// The readings are kept for one set of search flags: a caller that searches
// with other flags resets the memo first. Not owned: the dictionary, which
// the caller passes each time. One thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "language/word_dictionary.h"

namespace kestrune {

class TWordLookupMemo {
 public:
  // Empties the memo; the dictionary's words now are those it starts from.
  void Reset(const TIWordDictionary& dictionary);
  // Forgets what the words the dictionary gained since the last call may have
  // changed. True when the dictionary's count is what it was.
  bool Follow(TIWordDictionary& dictionary);
  // The readings kept for `text` into list[0..count-1]; false when none are.
  bool Find(std::u16string_view text, TWordVariants& list, int32_t& count) const;
  // Keeps list[0..count-1] as the readings of `text`.
  void Keep(std::u16string_view text, const TWordVariants& list, int32_t count);
  int32_t Size() const { return static_cast<int32_t>(entries_.size()); }

  // The hash of the text with its letter case folded as the dictionary's
  // look-ups fold it: texts the dictionary takes for one have one hash.
  static uint64_t FoldedHash(std::u16string_view text);

 private:
  struct TEntry {
    std::u16string Text;
    uint32_t First = 0;  // in readings_
    int32_t Count = 0;
    int32_t Next = -1;  // the next entry of the same hash
  };
  void Clear();

  // Folded hash -> the first of its entries.
  std::unordered_map<uint64_t, int32_t> heads_;
  std::vector<TEntry> entries_;
  TWordVariants readings_;
  int32_t known_ = 0;  // the dictionary's count the memo follows
};

}  // namespace kestrune
