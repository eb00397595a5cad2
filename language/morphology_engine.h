// What the word dictionary and the text layer know of morphology: the
// abstract engine TIMorphologyEngine, the abstract lexeme TMEGroup, the
// alphabet of one language TMEBase, the analysis rows TAffixIndexes, and the
// bit-field helpers over the small feature buffers of lexemes and forms.
//
// TIMorphologyEngineFull is the only engine; a dictionary holds one through
// its MorphologyEngine property and calls it only through this interface. An
// engine takes no lock: it is used by one thread at a time (its form cursor,
// FirstForm/NextForm, is shared by every caller).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/keys.h"

namespace kestrune {

// ---------------------------------------------------------------------------
// Feature buffers: 1 to 4 bytes read as one little-endian unsigned value; a
// feature is a bit field (offset, width 1..8) within it.

// (value >> offset) & (2^width - 1). Throws std::out_of_range("Out of the
// feature's memory!") when offset + width > 8 * size.
uint8_t GetBits(uint8_t offset, uint8_t width, const uint8_t* buffer, uint8_t size);
// Clears the field, then ors in (value & mask) << offset and writes the size
// bytes back. A value that fits the width in a field reaching past the buffer
// throws the same exception and writes nothing; a value wider than the field
// is cut to the width without that test (bits beyond the buffer are dropped).
void SetBits(uint8_t offset, uint8_t width, uint8_t value, uint8_t size, uint8_t* buffer);
// Reverses count characters in place.
void ReverseWideChars(char16_t* chars, int32_t count);

// ---------------------------------------------------------------------------
// One alphabet of a language.

struct TMESymbol {
  uint16_t Char = 0;
  uint8_t Value = 0;
};
struct TMESymbol2 {
  int16_t Char = 0;
  uint8_t Value = 0;
};
struct TMESymbolPair {
  uint16_t First = 0;
  uint16_t Second = 0;
};

class TMEBase {
 public:
  TMEBase() = default;
  virtual ~TMEBase() = default;

  // Back to the state after creation.
  void Clear();
  // Lower-cases c and binary-searches Symbols[0 .. SymbolCount-1]. On a hit
  // position is the entry's index, on a miss the place where c would go.
  bool FindSymbol(char16_t c, int32_t& position) const;
  // Set the lengths of the three tables; a negative length is ignored.
  void SetSymbolsLength(int32_t length);
  void SetSymbols2Length(int32_t length);
  void SetPairsLength(int32_t length);

  uint32_t FileVersion = 0;
  int16_t LanguageID = 9;
  uint16_t SymbolCount = 0;
  uint16_t Symbol2Count = 0;
  uint16_t PairCount = 0;
  uint32_t BaseLexemeCount = 0;
  uint32_t BaseRuleCount = 0;
  std::u16string FileName;
  std::u16string HeaderText1;  // the lexicon file's second text
  std::u16string HeaderText2;  // the lexicon file's first text
  std::vector<TMESymbol> Symbols;  // lower case, sorted by code
  std::vector<TMESymbol2> Symbols2;
  std::vector<TMESymbolPair> Pairs;  // indexes of two characters of one table
};

using TMEBases = std::vector<TMEBase*>;

// ---------------------------------------------------------------------------
// Analysis rows. Row 0 stands for the empty prefix, rows 1, 2, ... for the
// prefixes found at the start of a word in increasing length. Rules[k]
// (k >= 1) is the rule joining the row's prefix with the word's last k
// characters as ending, or -1; Rules[0] is the rule (prefix, empty ending).
// The caller owns the rows and reuses them; rows beyond the count an analysis
// returns, and entries beyond min(word length, MaxEndingLength), keep what an
// earlier analysis left.
struct TLavelAffixIndexes {
  std::vector<int32_t> Rules;
  int32_t Count = 0;
  uint8_t PrefixLength = 0;
};
using TAffixIndexes = std::vector<TLavelAffixIndexes>;

using TLangIDs = std::vector<uint16_t>;

// The info block of a lexicon file.
struct TMEFileInfo {
  int32_t LexemeCount = 0;
  int32_t RuleCount = 0;
  uint16_t SymbolCount = 0;
  uint16_t Symbol2Count = 0;
  uint16_t PairCount = 0;
  uint16_t TablesFlag = 0;
  int32_t Version = 0;
  int32_t LanguageId = 0;
  uint8_t DeleteEnabled = 0;
};

// ---------------------------------------------------------------------------
// The lexeme fields of the feature tables: getter n and setter n address the
// same bits (over the 2-byte lexeme features, resp. the 3-byte form features).
#define KESTRUNE_LEXEME_FEATURES(X) \
  X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13) X(14)
#define KESTRUNE_FORM_FEATURES(X)                                                                     \
  X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13) X(14) X(15) X(16) X(17) X(18) \
  X(19) X(20) X(21) X(22) X(23) X(24) X(25) X(26) X(27) X(28) X(29) X(30)

// A lexeme of the engine: a lemma, 16 bits of lexeme features (part of speech
// in bits 0-4), a language, a user value, a use count and its forms. Form
// index j counts from 0. TMEGroupFull is the implementation; records live in
// place in the engine's pages.
class TMEGroup {
 public:
  virtual ~TMEGroup() = default;

  virtual std::u16string GetLemma() const = 0;
  virtual void SetLemma(std::u16string_view text) = 0;
  virtual uint8_t GetPartOfSpeech() const = 0;
  // A value other than the current one clears all features first.
  virtual void SetPartOfSpeech(uint8_t value) = 0;
  virtual int16_t GetLanguage() const = 0;
  virtual void SetLanguage(int16_t language) = 0;
  virtual int32_t FormCount() const = 0;
  virtual uint32_t GetUserValue() const = 0;
  virtual void SetUserValue(uint32_t value) = 0;
  virtual uint16_t GetFeatures() const = 0;
  virtual uint16_t SetFeatures(uint16_t features) = 0;
  virtual int32_t UseCount() const = 0;
  virtual int32_t MaxEndingLength() const = 0;

#define KESTRUNE_DECLARE_LEXEME_FEATURE(n)              \
  virtual uint8_t GetLexemeFeature##n() const = 0; \
  virtual void SetLexemeFeature##n(uint8_t value) = 0;
  KESTRUNE_LEXEME_FEATURES(KESTRUNE_DECLARE_LEXEME_FEATURE)
#undef KESTRUNE_DECLARE_LEXEME_FEATURE

  // Getters give 0 and setters do nothing for a form out of range.
#define KESTRUNE_DECLARE_FORM_FEATURE(n)                    \
  virtual uint8_t GetFormFeature##n(int32_t j) const = 0; \
  virtual void SetFormFeature##n(int32_t j, uint8_t value) = 0;
  KESTRUNE_FORM_FEATURES(KESTRUNE_DECLARE_FORM_FEATURE)
#undef KESTRUNE_DECLARE_FORM_FEATURE

  // The ending text of form j's rule (empty for a form out of range).
  virtual std::u16string GetFormEnding(int32_t j) const = 0;
  // -1 for a form out of range.
  virtual int32_t GetFormRule(int32_t j) const = 0;
  virtual void SetFormEnding(int32_t j, std::u16string_view text) = 0;
  virtual std::u16string GetFormPrefix(int32_t j) const = 0;
  // 1 when the prefix is unchanged, else the new prefix's length; 0 for a
  // form out of range.
  virtual int32_t SetFormPrefix(int32_t j, std::u16string_view text) = 0;
  virtual void GetFormFeatures(int32_t j, uint8_t (&features)[3]) const = 0;
  virtual void SetFormFeatures(int32_t j, const uint8_t (&features)[3]) = 0;
  virtual void AddRef() = 0;
  virtual void Release() = 0;
  virtual int32_t AddForm() = 0;
  virtual void DeleteForm(int32_t j) = 0;
};

// ---------------------------------------------------------------------------
// The engine as its users see it. Texts are UTF-16, indexes 32-bit. Lexeme
// numbers (groups) run 0..LexemeCount()-1.
class TIMorphologyEngine {
 public:
  virtual ~TIMorphologyEngine() = default;

  virtual int32_t LexemeCount() const = 0;
  // Length of the longest ending in use.
  virtual int32_t MaxEndingLength() const = 0;
  // Null when the index is out of range.
  virtual TMEGroup* GetLexeme(int32_t index) = 0;
  // Replaces lexeme index by a copy of the given one.
  virtual void SetLexeme(int32_t index, TMEGroup* lexeme) = 0;
  virtual int32_t BaseCount() const = 0;
  virtual TMEBase* GetBase(int32_t index) = 0;
  virtual void FindOrAddPrefix(std::u16string_view text, int32_t& prefixId) = 0;
  virtual void FindOrAddEnding(std::u16string_view text, int32_t& endingId) = 0;
  virtual int32_t FindOrAddRule(int32_t prefixId, int32_t endingId) = 0;
  virtual int16_t GetLanguageId() const = 0;
  virtual void SetLanguageId(int16_t id) = 0;
  virtual std::u16string GetHeaderText2() const = 0;
  virtual void SetHeaderText2(std::u16string_view text) = 0;
  virtual std::u16string GetHeaderText1() const = 0;
  virtual void SetHeaderText1(std::u16string_view text) = 0;
  virtual int32_t SaveToFile(std::u16string_view fileName) = 0;
  // Merges the file's lexemes after the present ones.
  virtual int32_t LoadFromFile(std::u16string_view fileName) = 0;
  // Fills the rows (see TAffixIndexes) and returns the number of rows; 0 for
  // an empty text.
  virtual int32_t AnalyseWord(std::u16string_view text, TAffixIndexes& rows) = 0;
  // The lexeme's forms with that rule, listed in `forms`; their number.
  virtual int32_t FormsOfRule(int32_t lexeme, int32_t rule, TArrayOfIndex& forms) = 0;
  // First form of the lexeme with the rule in its tree for that ending length,
  // -1 none; starts the form cursor.
  virtual int32_t FirstForm(int32_t lexeme, int32_t rule, int32_t endingLength) = 0;
  // Next form of the cursor, -1 at the end.
  virtual int32_t NextForm() = 0;
  virtual int32_t ReadFileInfo(std::u16string_view fileName, TMEFileInfo& info) = 0;
  // Closes the last lexeme; the lexeme to use, -1 when it was dropped empty.
  virtual int32_t FinishLexeme() = 0;
  virtual void Clear() = 0;
  virtual int32_t AddLexeme() = 0;
  virtual void DeleteLexeme(int32_t index) = 0;
  // prefix + stem + ending of the form.
  virtual std::u16string MakeForm(std::u16string_view stem, int32_t lexeme, int32_t form) = 0;
  virtual int32_t FormCountByPartOfSpeech(uint8_t partOfSpeech) = 0;
  virtual int32_t LexemeCountByPartOfSpeech(uint8_t partOfSpeech) = 0;
  virtual int32_t FindLexemes(std::u16string_view lemma, TArrayOfIndex& lexemes) = 0;
  virtual uint8_t LanguagesOfText(std::u16string_view text, TLangIDs& ids) = 0;
  virtual bool HasDelimiter(std::u16string_view text) = 0;
  virtual int32_t BaseOfLanguage(int32_t languageId) = 0;
  virtual int32_t FindOrCreateBase(const TMEFileInfo& info, std::u16string_view fileName, std::u16string_view textA,
                                   std::u16string_view textB) = 0;
  virtual void ReplaceSymbols(std::u16string_view text, int32_t languageId, std::u16string& result) = 0;
  virtual char16_t ReplaceSymbol(char16_t c, int32_t languageId) = 0;
  virtual void AddSymbolStatistic(char16_t c, int32_t lexeme, int32_t amount) = 0;
  virtual void FindLexemeBySymbol(char16_t c, int32_t& lexeme, int32_t& count) = 0;
  virtual int32_t MostUsedLexeme(const TArrayOfIndex& lexemes) = 0;
};

}  // namespace kestrune
