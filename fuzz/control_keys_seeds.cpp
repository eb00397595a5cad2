#include <string>

#include "core/tag_stream.h"
#include "fuzz/seeds.h"
#include "network/control_keys.h"

using namespace kestrune;

namespace {

std::string Chunk(const IControlKeys& keys) {
  TMemoryStream out;
  TTagStream tags(&out);
  tags.BeginTag(IControlKeys::kStepChunkTag);
  keys.SaveToTagStream(tags);
  tags.EndTag();
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

}  // namespace

KESTRUNE_SEEDS(control_keys) {
  IControlKeys keys;
  WriteSeed(folder, "empty", Chunk(keys));

  keys.SetValue(0, 11, 1.0f);
  keys.SetValue(0, 12, 1.0f);
  keys.SetValue(1, 13, -10000.0f);
  keys.SetValue(6, 1, 1.0f);
  keys.SetValue(10, 3, 0.5f);
  WriteSeed(folder, "query", Chunk(keys));

  for (int32_t kind = 0; kind < IControlKeys::kKindCount; ++kind) {
    for (int32_t i = 0; i < 20; ++i) keys.SetValue(kind, kind * 1000 + i, static_cast<float>(i) * 0.5f);
  }
  WriteSeed(folder, "every_kind", Chunk(keys));
}
