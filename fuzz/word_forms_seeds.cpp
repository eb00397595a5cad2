// Seeds for the word-form stream reader: streams written by
// TStorageFormsWords::SaveToStream.
#include <string>

#include "core/stream.h"
#include "fuzz/seeds.h"
#include "language/storage_forms_words.h"

namespace {

std::string Saved(const kestrune::TStorageFormsWords& store) {
  kestrune::TMemoryStream stream;
  store.SaveToStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

KESTRUNE_SEEDS(word_forms) {
  kestrune::TStorageFormsWords store;
  WriteSeed(folder, "empty.wfs", Saved(store));
  store.SetForm(5, 2, false);
  store.SetForm(2000001, 1, false);
  WriteSeed(folder, "two.wfs", Saved(store));
  for (int32_t i = 0; i < 300; ++i) store.SetForm(i * 37, i % 9, false);
  WriteSeed(folder, "many.wfs", Saved(store));
}
