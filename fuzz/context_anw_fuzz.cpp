// Feeds arbitrary bytes to the context model's word-id file reader as Open
// meets it: the magic decides between the old "WNAF" reader and the set's
// own "AVLF" reader. Old entries are mapped without a dictionary and through
// a phrase dictionary; the model is then walked and queried.
#include <cstddef>
#include <cstdint>

#include "core/stream.h"
#include "fuzz/context_ms_fuzz_support.h"
#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TPhraseWordDictionary dictionary;
  dictionary.AddWord(u"word", 0, -1);
  for (TIWordDictionary* words : {static_cast<TIWordDictionary*>(nullptr), static_cast<TIWordDictionary*>(&dictionary)}) {
    TIContextMS model;
    model.SetWordDictionary(words);
    model.AddFile(0);
    TMemoryStream stream(data, size);
    if (model.LoadWordIdsFromStream(stream) == TIContextMS::kCurrentFormat) {
      TMemoryStream whole(data, size);
      model.WordIdSet().LoadFromStream(whole);
    }
    fuzz::ExerciseModel(model);
  }
  return 0;
}
