// Seeds for the phrase stream reader: streams written by SavePhrases.
#include <string>

#include "core/stream.h"
#include "fuzz/seeds.h"
#include "language/phrase_word_dictionary.h"

namespace {

class TSeedDictionary : public kestrune::TPhraseWordDictionary {
 public:
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
    SetDictID(0);
  }
};

std::string Saved(kestrune::TPhraseWordDictionary& dictionary) {
  kestrune::TMemoryStream stream;
  dictionary.SavePhrases(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

KESTRUNE_SEEDS(phrase_dictionary) {
  TSeedDictionary dictionary;
  dictionary.AddFile(9, 20);
  dictionary.AddFile(25, 10);
  const int32_t run = dictionary.AddWord(u"runa", 0, -1);
  auto add = [&](std::initializer_list<int32_t> words, int32_t value) {
    kestrune::TPhrase phrase;
    phrase.Value = value;
    for (int32_t w : words) phrase.Entries.push_back({w, w % 3, dictionary.GetWord(w)->GetDictionaryID()});
    dictionary.AddPhrase(phrase);
  };
  add({1, 2}, 0);
  WriteSeed(folder, "one.phr", Saved(dictionary));
  add({1, 2, 3}, 5);
  add({20, 21, run}, -1);
  add({5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 0);
  WriteSeed(folder, "several.phr", Saved(dictionary));
}
