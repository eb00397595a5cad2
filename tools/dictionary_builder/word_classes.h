// Word classes and stop words from free sources: the parts of speech of
// English words from WordNet's index and exception files, the parts of speech
// that Hunspell's morphological fields ("po:") name or that the classes of a
// Hunspell dictionary's affix flags tell, and stop-word lists kept as Perl
// modules (Lingua::StopWords).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tools/dictionary_builder/hunspell_affixes.h"

namespace kestrune {

// Parts of speech, numbered as the bits of the parser's filter sets.
enum TPartOfSpeech : uint8_t {
  posUndefined = 0,
  posVerb = 1,
  posPronoun = 2,
  posNoun = 3,
  posNumeral = 4,
  posAdverb = 5,
  posAdjective = 6,
  posArticle = 7,
  posPreposition = 8,
  posPredicative = 9,
  posParticle = 10,
  posParenthetic = 11,
  posInterjection = 12,
  posConjunction = 13,
  posPrefixoid = 14,
  posInvariant = 15,
  posAfterSyllable = 16,
};

// The dominant part of speech of each WordNet lemma: the one with the most
// senses found in WordNet's tagged texts, then with the most senses, then
// noun, verb, adjective, adverb. Inflected forms that only the exception
// lists hold ("went") take the part of speech of their list. Other inflected
// forms are reduced by WordNet's detachment rules (nouns: -s, -ses, -xes,
// -zes, -ches, -shes, -men to -man, -ies to -y; verbs: -s, -ies to -y, -es,
// -ed, -ing with or without a restored -e; adjectives: -er, -est with or
// without a restored -e): a form whose reduction is a lemma of the rule's
// class takes that class ("women", "firemen": noun), the best-scoring one
// when several reductions are lemmas.
class TWordNetClasses {
 public:
  // Reads index.{noun,verb,adj,adv} and {noun,verb,adj,adv}.exc of the folder;
  // false when an index file is missing.
  bool Load(const std::string& folder);
  // posUndefined when WordNet does not know the (lower-case) word.
  uint8_t Find(std::u16string_view word) const;
  size_t Size() const { return lemmas_.size(); }

 private:
  static constexpr size_t kClasses = 4;  // noun, verb, adjective, adverb
  // A lemma's senses in one class; -1 when it is no lemma of that class.
  struct TScore {
    int32_t TaggedSenses = -1;
    int32_t Senses = -1;
    bool Beats(const TScore& other) const {
      return TaggedSenses > other.TaggedSenses ||
             (TaggedSenses == other.TaggedSenses && Senses > other.Senses);
    }
  };
  std::unordered_map<std::u16string, std::array<TScore, kClasses>> lemmas_;
  std::unordered_map<std::u16string, uint8_t> exceptions_;
};

// The parts of speech that the affix flags of a Hunspell dictionary's entries
// tell where its flag classes separate the paradigms (the flags of noun
// declensions, of verb conjugations, of adjective declensions). Given as
// "class:flags" fields separated by blanks, for example
// "adjective:ASXZ verb:BDLMPQRTUVWY noun:FGHIJKNO", the flags written as the
// dictionary writes them. An entry whose classed flags all belong to one
// class takes it; flags of no class are neutral; an entry with flags of two
// classes (a homograph such as Russian "печь") or with none is Undefined.
class THunspellFlagClasses {
 public:
  // False, with the reason in `error`, for an unknown class name, a flag
  // without affix rules in the affix file, or a flag named twice.
  bool Parse(std::string_view spec, const THunspellAffixes& affixes, std::string& error);
  uint8_t Find(const THunspellFlags& flags) const;
  bool Empty() const { return classes_.empty(); }

 private:
  std::unordered_map<THunspellFlag, uint8_t> classes_;
};

// The part of speech of the first "po:" field of Hunspell morphological
// fields (French and English tag names), posUndefined without one.
uint8_t PartOfSpeechOfMorphology(std::u16string_view morphology);

// The words of a Lingua::StopWords module (the qw(...) list of its
// _stopwords); false when the file cannot be read or holds no list.
bool ReadPerlStopWords(const std::string& path, std::vector<std::u16string>& words);

}  // namespace kestrune
