// A small synthetic word map for the view's tests, its screenshot and its
// benchmark: words with weights and relations, laid out by the content map,
// measured by the view and placed by the label placer, as a rebuild does.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "core/keys.h"
#include "map/content_map2.h"
#include "map/print_word_by_net.h"

namespace kestrune::test {

inline constexpr std::array<const char16_t*, 61> kSyntheticWords{
    u"search",   u"engine",    u"query",     u"results",   u"index",     u"crawler",   u"ranking",
    u"relevance", u"keyword",  u"document",  u"page",      u"link",      u"anchor",    u"snippet",
    u"title",    u"network",   u"context",   u"map",       u"cluster",   u"phrase",    u"word",
    u"morphology", u"lexicon", u"dictionary", u"stem",     u"ending",    u"language",  u"english",
    u"russian",  u"german",    u"french",    u"italian",   u"template",  u"browser",   u"history",
    u"project",  u"scope",     u"filter",    u"spreading", u"activation", u"layer",    u"relation",
    u"weight",   u"threshold", u"layout",    u"label",     u"grid",      u"placement", u"animation",
    u"hover",    u"click",     u"undo",      u"redo",      u"step",      u"ring",      u"style",
    u"colour",   u"shadow",    u"font",      u"gradient",  u"cursor"};

// Fills the map with count words (the first two query words), relations
// between a quarter of the pairs, lays them out and places their labels for a
// map of width x height pixels. The map's OnMeasureKeyHook measures.
inline void BuildSyntheticMap(TContentMap2& map, int32_t width, int32_t height, size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  map.SetNoQueryMode(false);
  map.SetMapSize(width, height);
  TKeys keys(count);
  for (size_t i = 0; i < count; ++i) {
    keys[i].Name = kSyntheticWords[i % kSyntheticWords.size()];
    keys[i].Id = static_cast<int32_t>(100 + i);
    keys[i].Flags = i < 2 ? KF_QUERY : 0;
    keys[i].Weight = i < 2 ? 1.0f : 0.9f - 0.8f * static_cast<float>(i) / static_cast<float>(count);
  }
  map.CopyKeysIn(keys);
  map.Relations().assign(count, std::vector<float>(count, 0.0f));
  for (size_t i = 0; i < count; ++i) {
    for (size_t j = 0; j < count; ++j) {
      if (i != j && random() % 4 == 0) map.Relations()[i][j] = static_cast<float>(random() % 100) / 100.0f;
    }
  }
  map.LayoutKeys();
  for (TKey& key : map.Keys()) map.MeasureKey(key);
  TPrintWordByNet placer(width, height);
  placer.PlaceAll(map.Keys(), -1, 0.0f, 0.0f);
}

}  // namespace kestrune::test
