// TParsingText: the result of parsing a text (TITextParsing) — paged tables of
// word readings (variants), words, sentences and paragraphs with their counts.
// The phrase dictionary, the word-form store, the context model and the page
// builder read it.
//
// Tables are filled in text order: the words of a sentence are the WordCount
// records of Words from FirstWord on, the sentences of a paragraph the
// SentenceCount records of Sentences from FirstSentence on, the readings of a
// word the VariantCount records of Variants from FirstVariant on. A word with
// exactly one reading keeps it in WordId and Form and has VariantCount 0.
//
// Sharing: a plain copy of a TParsingText shares its tables with the
// original; changes made through the copy (phrase marking) are seen through
// the original. The parser reuses its tables at its next parse, so a copy
// that must outlive that parse is only valid until then. Tables are freed when
// the last record that holds them lets go of them (ClearParsingText drops one
// record's hold). Tables never shrink while shared, so a stale copy reads
// stale records, never freed memory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/paged_array.h"
#include "language/word_dictionary.h"

namespace kestrune {

// One word of a parsed text.
struct TParsingWord {
  // Flags.
  static constexpr int16_t kLeftOut = 0x01;    // kept, but not an indexing word
  static constexpr int16_t kSpan = 0x02;       // the span in the text differs from the token length
  static constexpr int16_t kSeparator = 0x04;  // a separator token (always with kLeftOut)
  static constexpr int16_t kNumeral = 0x08;    // the whole token is a numeral
  static constexpr int16_t kCapital = 0x10;    // only the first character is upper case
  static constexpr int16_t kMixedCase = 0x20;  // some other characters are upper case
  static constexpr int16_t kUpperCase = 0x30;  // every character is upper case
  static constexpr int16_t kCaseMask = 0x30;
  static constexpr int16_t kHashed = 0x40;     // unknown word held by its text hash

  int32_t Start = 0;       // 1-based position of the first character in the parsed text
  uint16_t Length = 0;     // characters from Start to the last one in the parsed text
  int16_t Flags = 0;
  int16_t Form = 0;        // form of the chosen reading; -1 for a hashed word
  int32_t VariantCount = 0;
  int32_t FirstVariant = 0;
  int32_t Reserved = 0;
  int32_t WordId = 0;      // word index, phrase identifier, -1 absorbed, or the text hash
};

struct TParsingSentence {
  int32_t Start = 0;   // 1-based position after the previous sentence's end
  int32_t Length = 0;  // characters up to and including the sentence's end
  int16_t Empty = 0;   // 1 when the sentence has no words
  int32_t WordCount = 0;
  int32_t FirstWord = 0;
  int32_t Reserved = 0;
};

struct TParsingParagraph {
  int16_t Reserved1 = 0;
  int32_t SentenceCount = 0;
  int32_t FirstSentence = 0;
  int32_t Reserved2 = 0;
};

using TParsingVariants = TPagedArray<TWordVariant, 512>;
using TParsingWords = TPagedArray<TParsingWord, 512>;
using TParsingSentences = TPagedArray<TParsingSentence, 512>;
using TParsingParagraphs = std::vector<TParsingParagraph>;

struct TParsingText {
  int32_t VariantCount = 0;
  std::shared_ptr<TParsingVariants> Variants;
  int32_t WordCount = 0;
  std::shared_ptr<TParsingWords> Words;
  int32_t SentenceCount = 0;
  std::shared_ptr<TParsingSentences> Sentences;
  int32_t ParagraphCount = 0;
  std::shared_ptr<TParsingParagraphs> Paragraphs;  // may be longer than ParagraphCount
  int32_t Spare = 0;

  // Records by index; the index must be below the table's capacity.
  TWordVariant& Variant(int32_t i) { return (*Variants)[i]; }
  const TWordVariant& Variant(int32_t i) const { return (*Variants)[i]; }
  TParsingWord& Word(int32_t i) { return (*Words)[i]; }
  const TParsingWord& Word(int32_t i) const { return (*Words)[i]; }
  TParsingSentence& Sentence(int32_t i) { return (*Sentences)[i]; }
  const TParsingSentence& Sentence(int32_t i) const { return (*Sentences)[i]; }
  TParsingParagraph& Paragraph(int32_t i) { return (*Paragraphs)[static_cast<size_t>(i)]; }
  const TParsingParagraph& Paragraph(int32_t i) const { return (*Paragraphs)[static_cast<size_t>(i)]; }

  // Make the tables exist (empty) where they do not.
  void EnsureTables();
  // Make records 0..count-1 of a table exist (pages of 512).
  void ReserveVariants(int64_t count) { Variants->Reserve(count); }
  void ReserveWords(int64_t count) { Words->Reserve(count); }
  void ReserveSentences(int64_t count) { Sentences->Reserve(count); }
};

// Drops this record's hold on its tables and sets every count and the spare
// field to 0. Tables that no other record holds are freed.
void ClearParsingText(TParsingText& text);

}  // namespace kestrune
