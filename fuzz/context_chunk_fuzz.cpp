// Feeds arbitrary bytes to the reader of the context chunk of the oldest
// project files (word dictionary, phrases, network, old word ids, file
// table). Whatever the reader leaves must hold together (one word id per
// word element, the two standard layers); the model is then queried.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/stream.h"
#include "fuzz/context_ms_fuzz_support.h"
#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TPhraseWordDictionary dictionary;
  TIContextMS model;
  model.SetWordDictionary(&dictionary);
  TMemoryStream stream(data, size);
  model.LoadFromProjectStream(stream);
  const TASNLayer* words = model.Network().GetLayer(0);
  if (!words || !model.Network().GetLayer(1) || model.WordIdSet().Count() != words->GetCount()) std::abort();
  fuzz::ExerciseModel(model);
  return 0;
}
