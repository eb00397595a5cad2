// TITextParsing: turns a UTF-16 text into a TParsingText — paragraphs,
// sentences and words, each word looked up in the WordDictionary (not owned)
// with its readings, a chosen reading and form — and counts the languages of
// the text.
//
// A parse runs in three steps: lines are found and grouped into paragraphs
// (blank lines, line-end punctuation, indentation), each paragraph's lines
// are joined into one buffer (words hyphenated at a line end are joined
// again) and cut into sentences; each sentence is cut into tokens, which are
// flagged (case, numeral, separator), looked up and filtered (part of speech,
// stop-word mark, length); finally words with several readings get one chosen
// by weights made of the language mix, the frequency of the candidate words
// and the initial form, and the language statistics are computed.
//
// Unknown words are added to the dictionary (words a parse adds carry
// dictionary id 0), unless UseHash is set; with UseHash and ParallelWorking an
// unknown word is kept by the hash of its text.
//
// Threads: one thread at a time per component. The parser looks words up with
// the dictionary's Search into its own lists, never with the dictionary's
// shared FindFirst cursor. With ParallelWorking False the weighting writes
// word counters into the dictionary's word records, so two components that
// share a dictionary must not parse at once; with ParallelWorking True the
// counters are the component's own and parsers may share a dictionary (as
// far as the dictionary allows: one with a morphology engine is used by one
// thread at a time).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "language/parsing_text.h"
#include "language/word_dictionary.h"
#include "language/word_lookup_memo.h"

namespace kestrune {

// A syntax component: given its turn after the weighting, it does nothing.
class TISyntax {
 public:
  virtual ~TISyntax() = default;
  virtual void Process(TParsingText& /*text*/) {}
};

// The parts of speech whose words a parser processes: bits 0..16 of one
// 32-bit value, bit n standing for the part-of-speech byte n of a dictionary
// word. A part-of-speech byte above 31 is never processed.
class TPTProcessedParts {
 public:
  enum : uint8_t {
    kUndefined = 0, kVerb, kPronoun, kNoun, kNumeral, kAdverb, kAdjective, kArticle, kPreposition,
    kPredicative, kParticle, kParenthetic, kInterjection, kConjunction, kPrefixoid, kInvariant,
    kAfterSyllable
  };
  static constexpr uint32_t kDefault = 75;  // Undefined, Verb, Noun, Adjective
  static constexpr uint32_t kAllBits = 0x1FFFF;

  explicit TPTProcessedParts(uint32_t value = kDefault) : value_(value & kAllBits) {}
  TPTProcessedParts(const TPTProcessedParts&) = delete;
  TPTProcessedParts& operator=(const TPTProcessedParts&) = delete;

  uint32_t Value() const { return value_; }
  // Sets every bit at once; the change handler runs when the value changed.
  void SetValue(uint32_t value);
  bool Contains(uint32_t partOfSpeech) const { return partOfSpeech <= 31 && ((value_ >> partOfSpeech) & 1) != 0; }

  bool Undefined() const { return Get(kUndefined); }
  void SetUndefined(bool on) { Set(kUndefined, on); }
  bool Verb() const { return Get(kVerb); }
  void SetVerb(bool on) { Set(kVerb, on); }
  bool Pronoun() const { return Get(kPronoun); }
  void SetPronoun(bool on) { Set(kPronoun, on); }
  bool Noun() const { return Get(kNoun); }
  void SetNoun(bool on) { Set(kNoun, on); }
  bool Numeral() const { return Get(kNumeral); }
  void SetNumeral(bool on) { Set(kNumeral, on); }
  bool Adverb() const { return Get(kAdverb); }
  void SetAdverb(bool on) { Set(kAdverb, on); }
  bool Adjective() const { return Get(kAdjective); }
  void SetAdjective(bool on) { Set(kAdjective, on); }
  bool Article() const { return Get(kArticle); }
  void SetArticle(bool on) { Set(kArticle, on); }
  bool Preposition() const { return Get(kPreposition); }
  void SetPreposition(bool on) { Set(kPreposition, on); }
  bool Predicative() const { return Get(kPredicative); }
  void SetPredicative(bool on) { Set(kPredicative, on); }
  bool Particle() const { return Get(kParticle); }
  void SetParticle(bool on) { Set(kParticle, on); }
  bool Parenthetic() const { return Get(kParenthetic); }
  void SetParenthetic(bool on) { Set(kParenthetic, on); }
  bool Interjection() const { return Get(kInterjection); }
  void SetInterjection(bool on) { Set(kInterjection, on); }
  bool Conjunction() const { return Get(kConjunction); }
  void SetConjunction(bool on) { Set(kConjunction, on); }
  bool Prefixoid() const { return Get(kPrefixoid); }
  void SetPrefixoid(bool on) { Set(kPrefixoid, on); }
  bool Invariant() const { return Get(kInvariant); }
  void SetInvariant(bool on) { Set(kInvariant, on); }
  bool AfterSyllable() const { return Get(kAfterSyllable); }
  void SetAfterSyllable(bool on) { Set(kAfterSyllable, on); }

  // The owner's change handler, called after a setter changed a bit.
  std::function<void(TPTProcessedParts& sender)> OnChange;

 private:
  bool Get(uint32_t bit) const { return ((value_ >> bit) & 1) != 0; }
  void Set(uint32_t bit, bool on);

  uint32_t value_;
};

// One language of a text: dictionary (language) id, words counted, percent.
struct TLanguage {
  int32_t ID = 0;
  int32_t Count = 0;
  float Percent = 0.0f;
};
using TLanguages = std::vector<TLanguage>;

class TITextParsing {
 public:
  // The text that replaces a wholly numeral token under NumeralMacro.
  static constexpr std::u16string_view kNumeralMacroText = u"$%numeralmacro%$";
  // Readings of several: weight of a reading, and of an initial form.
  static constexpr int16_t kVariantWeight = 2048;
  static constexpr int16_t kInitialFormWeight = 2056;

  TITextParsing();
  ~TITextParsing();
  TITextParsing(const TITextParsing&) = delete;
  TITextParsing& operator=(const TITextParsing&) = delete;

  // ---- published properties ----
  bool ianwWord() const { return ianwWord_; }
  void SetianwWord(bool value) { ianwWord_ = value; }
  bool AllWords() const { return allWords_; }
  void SetAllWords(bool value) { allWords_ = value; }
  bool DeleteLastNumeral() const { return deleteLastNumeral_; }
  void SetDeleteLastNumeral(bool value) { deleteLastNumeral_ = value; }
  bool DeleteWordWithNumber() const { return deleteWordWithNumber_; }
  void SetDeleteWordWithNumber(bool value) { deleteWordWithNumber_ = value; }
  bool IgnoreStopWord() const { return ignoreStopWord_; }
  void SetIgnoreStopWord(bool value) { ignoreStopWord_ = value; }
  bool ProcessNewWords() const { return processNewWords_; }
  void SetProcessNewWords(bool value) { processNewWords_ = value; }
  int32_t MinimumWord() const { return minimumWord_; }
  void SetMinimumWord(int32_t value) { minimumWord_ = value; }
  bool NumeralMacro() const { return numeralMacro_; }
  void SetNumeralMacro(bool value) { numeralMacro_ = value; }
  bool ParallelWorking() const { return parallelWorking_; }
  void SetParallelWorking(bool value) { parallelWorking_ = value; }
  bool UseHash() const { return useHash_; }
  void SetUseHash(bool value) { useHash_ = value; }
  TPTProcessedParts& ProcessedParts() { return processedParts_; }
  const TPTProcessedParts& ProcessedParts() const { return processedParts_; }
  bool RecognizeFormula() const { return recognizeFormula_; }
  void SetRecognizeFormula(bool value) { recognizeFormula_ = value; }
  bool RecognizePathes() const { return recognizePathes_; }
  void SetRecognizePathes(bool value) { recognizePathes_ = value; }
  // Not owned.
  TIWordDictionary* WordDictionary() const { return dictionary_; }
  void SetWordDictionary(TIWordDictionary* dictionary) { dictionary_ = dictionary; }
  bool UseABBYY() const { return useABBYY_; }
  void SetUseABBYY(bool value) { useABBYY_ = value; }
  bool Punctuation() const { return punctuation_; }
  void SetPunctuation(bool value) { punctuation_ = value; }
  // Not owned.
  TISyntax* Syntax() const { return syntax_; }
  void SetSyntax(TISyntax* syntax) { syntax_ = syntax; }

  // Takes every published property of `other` (the flags, the parts of
  // speech, the minimum word, the dictionary and the syntax it points to);
  // the result of a parse and the working buffers stay this object's own.
  void TakeSettings(const TITextParsing& other);

  // Parses `length` units of `text` into ParsingText(). 0 after a parse; -1
  // without a dictionary or with an empty text. The previous result is
  // emptied first in every case; the text is neither changed nor kept.
  int32_t Parse(const char16_t* text, int32_t length);
  int32_t Parse(std::u16string_view text) {
    return Parse(text.data(), static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX)));
  }
  // How often a text writes the tokens a proper name reads in lower case,
  // and with capitals not at a sentence's start.
  struct TNameCases {
    int32_t LowerCase = 0;
    int32_t Capitals = 0;
  };
  // What the reading of a query asked of a text needs of the text: its
  // languages' weights and its dominant language, the frequency counter of
  // each of its words, how it writes each proper name, and per list of
  // readings ({word, form} pairs) the readings its tokens took ({index in the
  // list, tokens}, in the order met). Keyed by dictionary word indexes, it
  // holds as long as the dictionary's words do.
  struct TTextReadings {
    bool Valid = false;
    std::vector<int32_t> LanguageWeights;
    int32_t Language = 0;
    std::unordered_map<int32_t, int32_t> Counters;
    std::unordered_map<int32_t, TNameCases> NameCases;
    std::map<std::vector<int32_t>, std::vector<std::pair<int32_t, int32_t>>> Readings;
  };
  // Parses a text whose end is a query asked of the rest (documents, then
  // the query): the paragraphs that begin at index `queryStart` of the text
  // or later are the query's. They give no vote on how the rest reads (the
  // text's languages, the frequencies of its words, how it writes a name),
  // and a token of theirs takes the reading that most of the rest's tokens
  // of the same text take, in whatever case either is written; a token whose
  // text the rest does not hold is read as in any parse. `kept`, when given,
  // receives what a later query of the same rest needs (ParseQueryOf).
  int32_t ParseWithQuery(std::u16string_view text, size_t queryStart, TTextReadings* kept = nullptr);
  // Parses a query as ParseWithQuery reads it after the text whose readings
  // it kept, without that text.
  int32_t ParseQueryOf(const TTextReadings& text, std::u16string_view query);
  // Empties the result (tables kept for reuse), the language table and the
  // working buffers.
  void Clear();

  // The result of the last parse; valid until the next Parse or Clear.
  TParsingText& ParsingText() { return result_; }
  const TParsingText& ParsingText() const { return result_; }

  // ---- language statistics of the last parse ----
  // Languages sorted by percent, largest first (equal percents keep the order
  // in which their languages were first met).
  const TLanguages& Languages() const { return languages_; }
  int32_t LanguagesCount() const { return languagesCount_; }
  int32_t SentencesCount() const { return sentencesCount_; }
  // Words counted for a language, and the distinct ones among them.
  int32_t CountedWords() const { return countedWords_; }
  int32_t DistinctWords() const { return distinctWords_; }
  int32_t ParagraphsCount() const { return paragraphsCount_; }
  int32_t LinesCount() const { return linesCount_; }
  int32_t DominantLanguage() const { return dominantLanguage_; }
  // With ProcessNewWords: the words the last parse added to the dictionary.
  int32_t NewWordsCount() const { return newWordsCount_; }
  // With UseHash and ParallelWorking: distinct unknown words of the last parse.
  int32_t UnknownWordsCount() const { return static_cast<int32_t>(unknownWords_.size()); }

  // The dominant language of the counters in Languages(): the non-zero id
  // with the largest count (the later one on a tie), 0 when none; ratio = its
  // count over the largest count of another non-zero id, 100 when there is
  // no other.
  void GetDominantLanguage(int32_t& language, double& ratio) const;

 private:
  // One line of the text (parse time only). Start 0 marks a blank line.
  struct TParsingLine {
    uint16_t Tabs = 0;    // TAB and no-break space in the leading blank run
    uint16_t Spaces = 0;  // spaces in that run
    int32_t Start = 0;    // first non-blank character
    int32_t End = 0;      // last non-blank character
    uint8_t EndsWithTerminator = 0;
    uint8_t ParagraphStart = 0;
    int32_t Indentation() const { return 8 * Tabs + Spaces; }
    bool Blank() const { return Start == 0; }
  };
  struct TLineMapEntry {
    int32_t BufferEnd = 0;  // used length after the line and its joining character
    int32_t Delta = 0;      // line start in the text minus the used length before it
  };
  struct TToken {
    int32_t Start = 0;
    int32_t End = 0;
    int32_t Hyphen = 0;  // 0 = none
  };

  // Lines, paragraphs and sentences.
  void ReadLines();
  void ComputeLevels(size_t first);
  void SetLevels(int32_t largest);
  void MarkParagraphStarts();
  void JoinParagraph(size_t first, size_t last);
  void SplitParagraph();
  bool FindSentenceEnd(int32_t& pos) const;
  void AddSentence(TParsingParagraph& paragraph, int32_t start, int32_t end);
  int32_t MapPosition(int32_t bufferPos);
  char16_t BufAt(int32_t pos) const { return buffer_[static_cast<size_t>(pos) - 1]; }

  // Tokens and words.
  void SplitSentence(int32_t s0, int32_t e0, int32_t sentenceIndex);
  int32_t NextTokenStart(int32_t p, int32_t e0) const;
  int32_t TokenEnd(int32_t ts, int32_t e0, int32_t& hyphen) const;
  int32_t TokenEndPass(int32_t ts, int32_t e0, bool continuation, int32_t& hyphen) const;
  bool IsSeparatorOrDigitToken(int32_t ts, int32_t te) const;
  // The code units of the combining marks from buffer position p (1-based)
  // on, up to e0; 0 when none is there.
  int32_t MarksAt(int32_t p, int32_t e0) const;
  void AddToken(int32_t bp, int32_t length, int32_t sentenceIndex);
  // The readings of a token's text into variants_: their number.
  int32_t LookUp(std::u16string_view text);
  void RecordSpan(TParsingWord& word, int32_t bp, int32_t length);
  bool Processed(const TWDWord* word) const;
  int32_t DistinctNode(int32_t wordIndex);

  // Weighting and statistics.
  void CountLanguage(int32_t id);
  // The dictionary word of an id held in the result during the parse (a
  // distinct-word node under ParallelWorking).
  TWDWord* WordOf(int32_t id);
  // False for a word of language 0 whose text begins with a separator.
  bool CountsForLanguage(TWDWord* word);
  int32_t LanguageWeight(int32_t id) const;
  int32_t GetCounter(int32_t id);
  void SetCounter(int32_t id, int32_t value);
  void WeighWords();
  // Step 8 for one word with readings: its WordId and Form. `capitalised`:
  // the token's case lets a proper name stand.
  void ChooseVariant(TParsingWord& word, int32_t sentenceLanguage, int32_t textLanguage, bool capitalised);
  // The dictionary word index of an id held in the result during the parse.
  int32_t WordIndexOf(int32_t id) const;
  // The text's language weights and dominant language (steps 1 and 2).
  int32_t WeighLanguages();
  // A query's candidate words take the text's counters (ParseQueryOf).
  void TakeGivenCounters();
  // How the text writes the tokens of a proper-name reading.
  TNameCases NameCasesOf(int32_t id) const;
  // Fills kept_ from the parse of the text before the query.
  void KeepTextReadings(int32_t textLanguage);
  // readingsKey_ := the word's readings as a key of textReadings_.
  void ReadingsKey(const TParsingWord& word);
  // Notes the reading a token of the text before the query took, under the
  // readings it had; with a query only.
  void NoteTextReading(const TParsingWord& word);
  // A query token whose readings the text's tokens had takes the reading
  // most of them took; false when the text holds no such token.
  bool ReadAsTheText(TParsingWord& word);
  // The first reading of the word that is a proper name (its id in the
  // result), -1 when none is.
  int32_t ProperNameVariant(const TParsingWord& word);
  // False when the word's form carries a prefix its initial form lacks.
  bool KeepsItsPrefix(const TWDWord* word, int32_t form) const;
  void CountLanguages();
  void TranslateDistinctWords();
  void ResetWordSets();

  // Settings.
  bool ianwWord_ = false;
  bool allWords_ = false;
  bool deleteLastNumeral_ = false;
  bool deleteWordWithNumber_ = false;
  bool ignoreStopWord_ = true;
  bool processNewWords_ = false;
  int32_t minimumWord_ = 2;
  bool numeralMacro_ = false;
  bool parallelWorking_ = false;
  bool useHash_ = false;
  TPTProcessedParts processedParts_;
  uint32_t workingParts_ = TPTProcessedParts::kDefault;
  bool recognizeFormula_ = false;
  bool recognizePathes_ = false;
  TIWordDictionary* dictionary_ = nullptr;
  bool useABBYY_ = false;
  bool punctuation_ = false;
  TISyntax* syntax_ = nullptr;

  // The result and the statistics.
  TParsingText result_;
  TLanguages languages_;
  int32_t languagesCount_ = 0;
  int32_t sentencesCount_ = 0;
  int32_t countedWords_ = 0;
  int32_t distinctWords_ = 0;
  int32_t paragraphsCount_ = 0;
  int32_t linesCount_ = 0;
  int32_t dominantLanguage_ = 0;
  int32_t newWordsCount_ = 0;

  // Parse-time state.
  const char16_t* text_ = nullptr;
  int32_t length_ = 0;
  std::vector<TParsingLine> lines_;
  std::vector<int32_t> histogram_;
  int32_t lowLevel_ = 0;   // L
  int32_t highLevel_ = 0;  // H
  std::vector<char16_t> buffer_;
  int32_t used_ = 0;
  std::vector<TLineMapEntry> lineMap_;
  int32_t mapCount_ = 0;
  int32_t mapCursor_ = 0;
  std::vector<TToken> tokens_;
  TWordVariants variants_;
  TAffixIndexes scratch_;
  // The texts this parse has looked up, with their readings.
  TWordLookupMemo lookups_;
  std::u16string case_;    // the current token, lower-cased
  std::u16string lookup_;  // scratch for a hyphenated token's look-up
  std::vector<int32_t> languageWeights_;
  // The weighting's scratch: the languages one word has voted for, the
  // language of each sentence (by sentence index), the languages of a word's
  // common-word readings and of its proper names set aside for them.
  std::vector<int32_t> votes_;
  std::vector<int32_t> sentenceLanguages_;
  std::vector<int32_t> commonLanguages_;
  std::vector<int32_t> asideLanguages_;  // of the names set aside for them
  // Per proper-name reading (its id in the result): how the text writes the
  // tokens it reads.
  std::unordered_map<int32_t, TNameCases> nameCases_;
  // The query of ParseWithQuery: the paragraphs whose first character lies
  // at this text position (1-based) or later; INT32_MAX without a query.
  // While the parse reads them inQuery_ is set, and queryWord_ is the index
  // of their first word (WordCount when there is none).
  int32_t queryPosition_ = INT32_MAX;
  bool inQuery_ = false;
  int32_t queryWord_ = INT32_MAX;
  // The readings of the text before the query (TTextReadings::Readings).
  std::map<std::vector<int32_t>, std::vector<std::pair<int32_t, int32_t>>> textReadings_;
  std::vector<int32_t> readingsKey_;
  // ParseWithQuery's `kept`, ParseQueryOf's text; null outside them.
  TTextReadings* kept_ = nullptr;
  const TTextReadings* given_ = nullptr;

  // The distinct-word set of ParallelWorking: word index -> node, and per
  // node its word and counter. Open addressing over a power-of-two table.
  std::vector<int32_t> nodeWord_;
  std::vector<int32_t> nodeCounter_;
  std::vector<int32_t> nodeSlot_;
  std::vector<int32_t> slots_;  // node + 1, 0 empty
  // The unknown-word set (hashes) of UseHash with ParallelWorking.
  std::unordered_set<uint32_t> unknownWords_;
};

}  // namespace kestrune
