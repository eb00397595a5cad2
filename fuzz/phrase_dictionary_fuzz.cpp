// Fuzzes the phrase stream reader. A load either appends phrases or fails
// with the phrases as they were; what loaded saves and loads again to the
// same words (entries whose dictionary id is their word's); the phrase
// index, marking and phrase texts work on it.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/stream.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

// Two "loaded files" and words added while running.
class TFuzzDictionary : public kestrune::TPhraseWordDictionary {
 public:
  TFuzzDictionary() {
    AddFile(9, 20);
    AddFile(25, 10);
    SetDictID(0);
    for (int32_t i = 0; i < 5; ++i) AddWord(u"run" + std::u16string(1, static_cast<char16_t>(u'a' + i)), 0, -1);
  }

 private:
  void AddFile(int16_t id, int32_t count) {
    kestrune::TWDLoadDictionary entry;
    entry.ID = id;
    entry.First = Count();
    SetDictID(id);
    for (int32_t i = 0; i < count; ++i) {
      AddWord(std::u16string(1, static_cast<char16_t>(u'a' + id % 26)) + std::u16string(1, static_cast<char16_t>(u'a' + i)),
              0, -1);
    }
    entry.Last = Count() - 1;
    AddLoadDictionary(entry);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzDictionary dictionary;
  kestrune::TPhrase kept;
  kept.Entries = {{1, 0, 9}, {2, 0, 9}};
  dictionary.AddPhrase(kept);
  kestrune::TMemoryStream stream(data, size);
  const int32_t result = dictionary.LoadPhrases(stream);
  Require(result == 0 || result == -1);
  if (result != 0) {
    Require(dictionary.PhraseCount() == 1);
    return 0;
  }
  const int32_t count = dictionary.PhraseCount();
  for (int32_t j = 0; j < count; ++j) dictionary.GetWord(kestrune::TPhraseWordDictionary::kPhraseBase + j)->GetText();

  // Save and load again: the same words (missing words stay missing).
  kestrune::TMemoryStream saved;
  Require(dictionary.SavePhrases(saved) == 0);
  TFuzzDictionary again;
  saved.SetPosition(0);
  Require(again.LoadPhrases(saved) == 0);
  Require(again.PhraseCount() == count);
  for (int32_t j = 0; j < count; ++j) {
    const kestrune::TPhrase& a = dictionary.Phrases()[static_cast<size_t>(j)];
    const kestrune::TPhrase& b = again.Phrases()[static_cast<size_t>(j)];
    Require(a.Value == b.Value && a.EntryCount() == b.EntryCount());
    for (int32_t k = 0; k < a.EntryCount(); ++k) {
      const kestrune::TPhraseEntry& entry = a.Entries[static_cast<size_t>(k)];
      const int32_t word = entry.WordIndex;
      const int32_t reread = b.Entries[static_cast<size_t>(k)].WordIndex;
      if (word < 0 || word >= dictionary.Count()) {
        // A word the dictionary lacks stays missing.
        Require(reread == -1);
      } else if (dictionary.GetWord(word)->GetDictionaryID() == entry.SourceDictionaryID) {
        // A consistent entry (its id is its word's) keeps its word.
        Require(reread == word);
      }
    }
  }

  dictionary.BuildPhraseIndex(2, 11);
  kestrune::TITextParsing parser;
  parser.SetWordDictionary(&dictionary);
  parser.SetUseHash(true);
  parser.Parse(u"ab ac ad. aa ab ac ad ae\n\nruna runb runc ja jb jc");
  dictionary.FindPhrases(parser.ParsingText());
  dictionary.FreePhraseIndex();
  dictionary.ClearPhrase();
  return 0;
}
