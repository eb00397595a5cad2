// Fuzzes the word-form stream reader. A load either stores the pairs or
// fails with nothing stored; what is stored saves and loads again the same.
#include <cstdint>
#include <cstdlib>

#include "core/stream.h"
#include "core/tag_stream.h"
#include "language/storage_forms_words.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kestrune::TStorageFormsWords store;
  store.SetForm(3, 1, false);
  kestrune::TMemoryStream stream(data, size);
  const int32_t result = store.LoadFromStream(stream);
  Require(result == 0 || result == -1);
  if (result != 0) {
    Require(store.Count() == 1 && store.GetForm(3) == 1);
    return 0;
  }
  kestrune::TMemoryStream saved;
  Require(store.SaveToStream(saved) == 0);
  kestrune::TStorageFormsWords again;
  saved.SetPosition(0);
  Require(again.LoadFromStream(saved) == 0);
  Require(again.Count() == store.Count());
  // Every identifier of the stream reads back alike.
  kestrune::TMemoryStream pairs(data, size);
  kestrune::TTagStream in(&pairs);
  if (in.ReadTag() > 0) in.LeaveTag();
  if (in.ReadTag() > 0) {
    for (int32_t i = 0; i < 64 && in.TagRemaining() >= 8; ++i) {
      int32_t word = 0;
      int32_t form = 0;
      in.ReadInteger(word);
      in.ReadInteger(form);
      Require(again.GetForm(word) == store.GetForm(word));
    }
  }
  return 0;
}
