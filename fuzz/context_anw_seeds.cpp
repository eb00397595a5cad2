// Seeds for the context model's word-id file reader: old "WNAF" files written
// with the tagged stream (phrases, dictionary words, a repeated entry) and a
// current "AVLF" word-id set saved by the model.
#include <string>
#include <utility>
#include <vector>

#include "core/stream.h"
#include "core/tag_stream.h"
#include "fuzz/seeds.h"
#include "network/context_ms.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

std::string OldWordIds(const std::vector<std::pair<int32_t, int16_t>>& entries) {
  TMemoryStream stream;
  {
    TTagStream tags(&stream);
    tags.BeginTag(1);
    tags.WriteInteger(static_cast<int32_t>(entries.size()));
    tags.EndTag();
    for (auto [value, kind] : entries) {
      tags.BeginTag(2);
      tags.WriteInteger(value);
      tags.WriteSmallInt(kind);
      tags.EndTag();
    }
  }
  return std::string("WNAF") + std::string(12, '\0') + std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

KESTRUNE_SEEDS(context_anw) {
  WriteSeed(folder, "phrases.anw", OldWordIds({{0, -12}, {5, -12}, {7, -12}}));
  WriteSeed(folder, "words.anw", OldWordIds({{0, 0}, {1, 0}, {2, 3}, {0, -12}}));
  WriteSeed(folder, "repeated.anw", OldWordIds({{4, 0}, {4, 0}, {9, -12}, {9, -12}, {1, 0}}));
  WriteSeed(folder, "empty.anw", OldWordIds({}));
  TIContextMS model;
  for (int32_t id : {3, 17, 2000001, 42}) model.AddWord(id);
  model.WordIdSet().SaveToFile(platform::Utf8ToUtf16(folder + "current.anw"));
}
