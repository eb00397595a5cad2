// Feeds arbitrary bytes to the colour-file reader, then styles, measures and
// places a fixed set of keys with whatever table the bytes produced, in every
// map mode, so that sizes and colours from a hostile file go all the way
// through the arithmetic of the styles and the label placement.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "map/content_map2.h"
#include "map/print_word_by_net.h"

using namespace kestrune;

namespace {

TKeys SampleKeys() {
  const struct {
    const char16_t* name;
    uint32_t flags;
    float weight;
  } samples[] = {
      {u"query", KF_QUERY, 1.0f},
      {u"hovered", KF_HOVERED | KF_CARRIED, 0.6f},
      {u"context", KF_CONTEXT, 0.4f},
      {u"new context", KF_CONTEXT | KF_NEW, 0.3f},
      {u"inactive", KF_INACTIVE, 0.2f},
      {u"plain", 0, 0.7f},
      {u"highlighted query", KF_QUERY | KF_HIGHLIGHTED, 0.5f},
      {u"last", 0, 0.05f},
  };
  TKeys keys;
  for (const auto& s : samples) {
    TKey key;
    key.Name = s.name;
    key.Flags = s.flags;
    key.Weight = s.weight;
    key.X = 0.1f * static_cast<float>(keys.size());
    key.Y = 0.5f;
    key.Left = 20.0f * static_cast<float>(keys.size());
    key.Top = 10.0f;
    keys.push_back(key);
  }
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TContentMap2 map;
  map.LoadStyleText(std::string_view(reinterpret_cast<const char*>(data), size));
  const TKeys sample = SampleKeys();
  for (int mode = 0; mode < 8; ++mode) {
    map.SetNoQueryMode(mode & 1);
    map.SetExcludedMode(mode & 2);
    map.SetDimmed(mode & 4);
    map.SetSizeReduction(2 * (mode % 3));
    map.CopyKeysIn(sample);
    for (TKey& key : map.Keys()) map.MeasureKey(key);
    TPrintWordByNet placer(240, 160);
    TKeys keys = map.Keys();
    placer.PlaceAll(keys, mode & 1 ? 1 : -1, 30.0f, 20.0f);
  }
  return 0;
}
