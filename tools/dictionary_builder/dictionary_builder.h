// TDictionaryBuilder: makes one word dictionary ("DRWS") and its lexicon
// ("DRMP") from words given with their full forms, through the engine's and
// the dictionary's own operations.
//
// A word's forms are cut into one stem and, per form, a prefix and an ending
// (the stem is the part of the root that no form's affixes touch; it is empty
// when the affixes of different forms overlap, which makes a text-less word
// whose forms lie wholly in its lexeme). Texts are stored in lower case: the
// parser looks every token up lower-cased and the dictionary compares case-
// sensitively. Forms that the parser can never cut out of a text as one token
// (holding a separator such as an apostrophe or a full stop, or more than one
// hyphen) are left out.
//
// A lexeme is one paradigm: its part of speech and its (prefix, ending) pairs,
// the initial form first, the others sorted. Words with the same paradigm
// share one lexeme, so the lexicon holds each paradigm once. A lexicon file
// keeps at most kMaxLexemes lexemes (a word's group is 16-bit in the file),
// a lexeme at most TMEGroupFull::kMaxForms forms (the first are kept).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "language/morphology_engine_full.h"
#include "language/word_dictionary.h"
#include "tools/dictionary_builder/hunspell_expander.h"

namespace kestrune {

// True when the parser can cut the text out of a text as one token: no
// separator but one hyphen inside.
bool IsTokenText(std::u16string_view text);

// One word of the output: the entries of the word list that give it (equal in
// lower case and in part of speech), in list order.
struct TWordSource {
  std::u16string Root;  // lower case
  uint8_t PartOfSpeech = 0;
  std::vector<size_t> Entries;
  // No entry stands in lower case: the list holds the word only as a name
  // ("Queens", "Flowers").
  bool ProperName = true;
};

// The words of a word list in the order of their first entries. Forbidden
// entries give no word; their texts go into `forbidden`. `partOfSpeech` gives
// an entry's class from the entry and its lower-case root.
void GroupWordSources(const std::vector<THunspellEntry>& entries, const THunspellExpander& expander,
                      const std::function<uint8_t(const THunspellEntry&, const std::u16string&)>& partOfSpeech,
                      std::vector<TWordSource>& words, std::unordered_set<std::u16string>& forbidden);

class TDictionaryBuilder {
 public:
  static constexpr int32_t kMaxLexemes = 32768;  // groups 0..32767
  // AddWord results besides a word index.
  static constexpr int32_t kNoForms = -1;
  static constexpr int32_t kLexiconFull = -2;

  explicit TDictionaryBuilder(int16_t languageId);
  ~TDictionaryBuilder();
  TDictionaryBuilder(const TDictionaryBuilder&) = delete;
  TDictionaryBuilder& operator=(const TDictionaryBuilder&) = delete;

  // Adds a word whose forms are constructed from `root` (THunspellForm); the
  // first form is the initial one. The word's index, kNoForms when no form
  // could be a token, kLexiconFull when its paradigm would be a lexeme beyond
  // kMaxLexemes (nothing is added then). A proper name carries
  // TWDWord::kAttr1ProperName in Attr1; a word that a common entry gives too
  // does not.
  int32_t AddWord(std::u16string_view root, uint8_t partOfSpeech, const std::vector<THunspellForm>& forms,
                  bool properName = false);
  // A word of one form without a lexeme (group -1), stored in lower case.
  int32_t AddPlainWord(std::u16string_view text, uint8_t partOfSpeech, bool properName = false);
  // True when a look-up of the (lower-case) text finds a reading.
  bool Knows(std::u16string_view text);

  // Writes "<name>.drmp" and "<name>.dws" (which names the lexicon file) into
  // the folder, each saved atomically. 0, or -1 with the reason in `error`.
  int32_t Save(const std::string& folder, const std::string& name, std::u16string_view author,
               std::u16string_view description, std::string& error);

  TIMorphologyEngineFull& Engine() { return *engine_; }
  TIWordDictionary& Dictionary() { return *dictionary_; }
  int64_t FormCount() const { return formCount_; }
  int64_t DroppedForms() const { return droppedForms_; }

 private:
  struct TCut {
    std::u16string Prefix;
    std::u16string Ending;
  };

  // Adds (text, part of speech, group) and sets or clears the proper-name
  // mark.
  int32_t Add(std::u16string_view text, uint8_t partOfSpeech, int32_t group, bool properName);

  std::unique_ptr<TIMorphologyEngineFull> engine_;
  std::unique_ptr<TIWordDictionary> dictionary_;
  std::unordered_map<std::u16string, int32_t> paradigms_;
  int16_t languageId_;
  int64_t formCount_ = 0;
  int64_t droppedForms_ = 0;
  TWordVariants variants_;
  TAffixIndexes scratch_;
};

// Writes a stop-word list: UTF-16LE with a byte-order mark, one word a line,
// lines ended by CR LF; saved atomically. 0 or -1.
int32_t WriteStopWordFile(const std::string& path, const std::vector<std::u16string>& words);

}  // namespace kestrune
