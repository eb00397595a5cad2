// Word classes and stop words from free sources: the parts of speech of
// English words from WordNet's index and exception files, the parts of speech
// that Hunspell's morphological fields ("po:") name, and stop-word lists kept
// as Perl modules (Lingua::StopWords).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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
// lists hold ("went") take the part of speech of their list.
class TWordNetClasses {
 public:
  // Reads index.{noun,verb,adj,adv} and {noun,verb,adj,adv}.exc of the folder;
  // false when an index file is missing.
  bool Load(const std::string& folder);
  // posUndefined when WordNet does not know the (lower-case) word.
  uint8_t Find(std::u16string_view word) const;
  size_t Size() const { return classes_.size(); }

 private:
  struct TScore {
    uint8_t PartOfSpeech = posUndefined;
    int32_t TaggedSenses = -1;
    int32_t Senses = -1;
  };
  std::unordered_map<std::u16string, TScore> classes_;
  std::unordered_map<std::u16string, uint8_t> exceptions_;
};

// The part of speech of the first "po:" field of Hunspell morphological
// fields (French and English tag names), posUndefined without one.
uint8_t PartOfSpeechOfMorphology(std::u16string_view morphology);

// The words of a Lingua::StopWords module (the qw(...) list of its
// _stopwords); false when the file cannot be read or holds no list.
bool ReadPerlStopWords(const std::string& path, std::vector<std::u16string>& words);

}  // namespace kestrune
