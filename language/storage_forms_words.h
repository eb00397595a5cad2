// TStorageFormsWords: remembers, for each word identifier (a word or a
// phrase), the form in which the user last wrote it, so that map words and
// query texts use the user's own forms. 0 stands both for the initial form
// and for a word seen in different forms (a conflict), which then stays 0
// until a form is written over it.
//
// CopyParsingParagraphs copies a range of paragraphs of a parse result into
// another record, with positions relative to the first copied sentence.
//
// Word-form stream (LoadFromStream / SaveToStream), a tagged stream without a
// file header; tag numbers are not checked on reading:
//   first tag    i32 pair count n
//   second tag   n pairs {i32 word identifier, i32 form}
// The reader checks the count against what the second tag holds; a corrupt
// count fails the read with nothing stored.
//
// Index errors (a paragraph range outside the source, a table shorter than
// its counts) throw std::out_of_range instead of reading or writing out of
// range. One thread at a time.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "core/avl_tree.h"
#include "core/paged_array.h"
#include "core/stream.h"
#include "language/parsing_text.h"

namespace kestrune {

class TStorageFormsWords {
 public:
  static constexpr int32_t kCountTag = 1;
  static constexpr int32_t kPairsTag = 0x4000;

  TStorageFormsWords();
  TStorageFormsWords(const TStorageFormsWords&) = delete;
  TStorageFormsWords& operator=(const TStorageFormsWords&) = delete;

  void Clear();
  // Stores the form of a word: -1 for a word or form of -1 (or any negative
  // word) and for a new word; with overwrite, a known word takes the form,
  // which is returned; without, a known word with another form is set to 0
  // (0 returned), with the same form nothing changes (-1).
  int32_t SetForm(int32_t wordId, int32_t form, bool overwrite);
  // -1 for a negative identifier, 0 for one never stored, else its form.
  int32_t GetForm(int32_t wordId) const;
  int32_t Count() const { return count_; }

  // SetForm of every word of every sentence of every paragraph: TakeForms
  // with overwrite, MergeForms without.
  void TakeForms(const TParsingText& text) { CollectForms(text, true); }
  void MergeForms(const TParsingText& text) { CollectForms(text, false); }
  void CollectForms(const TParsingText& text, bool overwrite);

  // Adds the pairs of a word-form stream read from the stream's position
  // (written over what is stored): 0, or -1.
  int32_t LoadFromStream(TStream& stream);
  // Writes the stored pairs as a word-form stream: 0, or -1.
  int32_t SaveToStream(TStream& stream) const;

 private:
  mutable TIAVLTree ids_;
  TPagedArray<int32_t, 512> forms_;  // by node index of ids_
  // The node of each stored word, for SetForm, which meets the same words
  // again and again; readers keep to the set.
  std::unordered_map<int32_t, int32_t> nodes_;
  int32_t count_ = 0;
};

// Copies paragraphs first .. first+count-1 of the source into the target:
// their paragraphs, sentences and words, with Start made relative to the
// first copied sentence. The target's variants, VariantCount, WordCount and
// SentenceCount are not written (copied words keep their references into the
// source's variants). Tables the target shares with another record are
// replaced by tables of its own first.
void CopyParsingParagraphs(TParsingText source, int32_t first, int32_t count, TParsingText& target);

}  // namespace kestrune
