// TPhraseWordDictionary: the word dictionary the program works with — the
// merged words of every loaded dictionary file and, on top of them, phrases of
// several words, numbered in the same identifier space:
//
//   0 .. 1999999     a word of the merged dictionary (global word index)
//   2000000 and up   phrase (identifier - 2000000)
//   -1               no word; in a marked parse result, a word absorbed
//                    into the phrase that starts before it
//
// A word's local index is its position among the words of all loaded files of
// its language (dictionary id), counted file by file in load order; words
// added after the last file count from the end of that file. Stored data
// keeps local indexes with the dictionary id, so that it survives another set
// of loaded files or another order of the languages. GlobalWordIndex and
// LocalWordIndex convert between the two through the files' ranges
// (TWDFileRange).
//
// GetWord of a phrase identifier fills one shared TWDPhraseWord with a copy
// of the phrase and returns it: the object is overwritten by the next phrase
// look-up. A phrase's text is its words, each in its stored form, separated
// by single blanks; a word missing from the dictionary adds nothing.
//
// The phrase index (BuildPhraseIndex) lists, per word position, the phrases
// that have a given word there; FindPhrases marks phrases in a parse result
// with it. The index is derived: callers rebuild it whenever phrases or
// dictionaries change.
//
// Phrase stream (SavePhrases / LoadPhrases), a tagged stream without a file
// header:
//   tag 1        i32 phrase count
//   tag 0x4000   per phrase: i32 entry count n, i32 value, n entries of
//                {i32 local word index, i32 form, i32 source dictionary id}
//                (id 0 for a word after the loaded files' words)
// The reader does not check tag numbers; it bounds every count by what its
// tag can hold, and a load that fails leaves the phrases as they were.
//
// Threads: phrases and the phrase index belong to one thread (the user
// interface's); the word operations are those of TIWordDictionary.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/avl_tree.h"
#include "core/stream.h"
#include "language/parsing_text.h"
#include "language/word_dictionary.h"

namespace kestrune {

class TPhraseWordDictionary;

struct TPhraseEntry {
  int32_t WordIndex = -1;          // global in memory, local in the stream
  int32_t Form = 0;                // the word's form as it stood in the text
  int32_t SourceDictionaryID = 0;  // the word's dictionary id
};

struct TPhrase {
  std::vector<TPhraseEntry> Entries;
  int32_t Value = 0;  // stored and loaded, not interpreted here
  int32_t EntryCount() const { return static_cast<int32_t>(Entries.size()); }
};
using TPhrases = std::vector<TPhrase>;

// The phrases of one word position of the phrase index: chains of items,
// one chain per node of that position's set of words.
struct TListWithPhrases {
  struct TItem {
    int32_t Phrase = 0;
    int32_t Next = -1;  // -1 ends a chain
  };
  int32_t ItemCount = 0;
  std::vector<TItem> Items;
  std::vector<int32_t> Heads;  // by node index of the position's set
};

// The word object of a phrase: a copy of the phrase after the word fields.
class TWDPhraseWord : public TWDWord {
 public:
  explicit TWDPhraseWord(TPhraseWordDictionary* dictionary);

  std::u16string GetText() const override;
  std::u16string GetStoredText() const override;
  // The form asked for is ignored: a phrase has one text.
  std::u16string GetForm(int32_t form) const override;

  const TPhrase& Phrase() const { return phrase_; }

 private:
  friend class TPhraseWordDictionary;
  TPhrase phrase_;
};

class TPhraseWordDictionary : public TIWordDictionary {
 public:
  static constexpr int32_t kPhraseBase = 2000000;
  // Phrase stream.
  static constexpr int32_t kCountTag = 1;
  static constexpr int32_t kPhraseTag = 0x4000;
  // Result codes.
  static constexpr int32_t kPhrasesDone = 0;
  static constexpr int32_t kPhrasesError = -1;
  static constexpr int32_t kNoPhrases = -5;

  TPhraseWordDictionary();
  ~TPhraseWordDictionary() override;

  // Words below kPhraseBase; from it, the shared phrase word filled with the
  // phrase; null beyond the last phrase.
  TWDWord* GetWord(int32_t index) override;

  // The phrases. The program adds a phrase by appending it; its identifier
  // is kPhraseBase + its index.
  TPhrases& Phrases() { return phrases_; }
  const TPhrases& Phrases() const { return phrases_; }
  int32_t PhraseCount() const { return static_cast<int32_t>(phrases_.size()); }
  int32_t AddPhrase(TPhrase phrase);

  // Frees every phrase; the phrase index is not touched. Always false.
  bool ClearPhrase();

  // Builds the phrase index over `positions` word positions (the program
  // uses 2 and 11); phrases shorter than minimumLength are never marked.
  void BuildPhraseIndex(int32_t minimumLength, int32_t positions);
  void FreePhraseIndex();
  bool HasPhraseIndex() const { return !trees_.empty(); }
  int32_t IndexPositions() const { return static_cast<int32_t>(trees_.size()); }
  const TListWithPhrases& IndexList(int32_t position) const { return lists_[static_cast<size_t>(position)]; }
  TIAVLTree& IndexTree(int32_t position) { return *trees_[static_cast<size_t>(position)]; }

  // Marks phrases in each sentence of the text: the first word of a phrase
  // gets the phrase identifier and the span of all its words, the others are
  // removed from the sentence. Among phrases with the same first word the
  // earliest one wins. Nothing changes without phrases or index.
  void FindPhrases(TParsingText& text);

  // Local index (dictionary id, local index) -> global index, or -1: a
  // negative local index; one beyond the words of the loaded files of that
  // id; for an id no loaded file has (words added after the last file), an
  // index outside the dictionary when allowNew is not set, or one beyond the
  // word identifiers.
  int32_t GlobalWordIndex(int32_t dictionaryId, int32_t localIndex, bool allowNew) const;
  // Global index -> local index within the words of its language's files, or
  // -1 (outside the dictionary; added before the first file or between two
  // files).
  int32_t LocalWordIndex(int32_t globalIndex) const;

  // Writes the phrase stream at the stream's position: 0, kNoPhrases, or
  // kPhrasesError.
  int32_t SavePhrases(TStream& stream);
  // Appends the phrases of a phrase stream read from the stream's position
  // (the index is not rebuilt): 0, or kPhrasesError with the phrases as they
  // were.
  int32_t LoadPhrases(TStream& stream);
  // The same with the caller turning each entry's stored dictionary id and
  // local index into a word identifier (-1: none) in place of
  // GlobalWordIndex(id, local, true).
  using TEntryWord = std::function<int32_t(int32_t dictionaryId, int32_t localIndex)>;
  int32_t LoadPhrases(TStream& stream, const TEntryWord& entryWord);

 private:
  std::unique_ptr<TWDPhraseWord> phraseWord_;
  TPhrases phrases_;
  std::vector<std::unique_ptr<TIAVLTree>> trees_;
  std::vector<TListWithPhrases> lists_;
  int32_t minimumLength_ = 0;
};

}  // namespace kestrune
