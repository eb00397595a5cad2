// The content map's force layout of a full map (61 keys, relations between a
// quarter of the pairs) and the label placement of the laid-out keys, in
// milliseconds.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "map/content_map2.h"
#include "map/print_word_by_net.h"

using namespace kestrune;

namespace {

constexpr size_t kKeys = 61;

// Words with varied first letters (Latin, Cyrillic, digits) and a relation
// matrix like the network's: a quarter of the pairs related, weights 0..1.
void FillMap(TContentMap2& map) {
  std::mt19937 random(61);
  TKeys keys(kKeys);
  for (size_t i = 0; i < kKeys; ++i) {
    const uint32_t pick = random() % 10;
    char16_t first = pick < 7 ? static_cast<char16_t>(u'a' + random() % 26)
                    : pick < 9 ? static_cast<char16_t>(0x430 + random() % 32)
                               : static_cast<char16_t>(u'0' + random() % 10);
    keys[i].Name = std::u16string(1, first) + u"ord" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
    keys[i].Id = static_cast<int32_t>(1000 + i);
    keys[i].Weight = 0.05f + static_cast<float>(random() % 95) / 100.0f;
    keys[i].Flags = i < 2 ? KF_QUERY : 0;
  }
  map.CopyKeysIn(keys);
  map.Relations().assign(kKeys, std::vector<float>(kKeys, 0.0f));
  for (size_t i = 0; i < kKeys; ++i) {
    for (size_t j = 0; j < kKeys; ++j) {
      if (i != j && random() % 4 == 0) map.Relations()[i][j] = static_cast<float>(random() % 100) / 100.0f;
    }
  }
}

void BM_LayoutKeys61(benchmark::State& state) {
  TContentMap2 map;
  FillMap(map);
  const TKeys start = map.Keys();
  int64_t iterations = 0;
  for (auto _ : state) {
    map.CopyKeysIn(start);
    iterations = map.LayoutKeys();
    benchmark::DoNotOptimize(map.Keys().data());
  }
  state.counters["iterations"] = static_cast<double>(iterations);
}
BENCHMARK(BM_LayoutKeys61)->Unit(benchmark::kMillisecond);

void BM_StyleAndPlace61(benchmark::State& state) {
  TContentMap2 map;
  map.SetNoQueryMode(false);
  FillMap(map);
  map.LayoutKeys();
  const TKeys laidOut = map.Keys();
  int64_t hidden = 0;
  for (auto _ : state) {
    map.CopyKeysIn(laidOut);
    for (TKey& key : map.Keys()) map.MeasureKey(key);
    TPrintWordByNet placer(800, 600);
    placer.PlaceAll(map.Keys(), -1, 0.0f, 0.0f);
    hidden = 0;
    for (const TKey& key : map.Keys()) hidden += (key.Flags & KF_HIDDEN) != 0;
  }
  state.counters["hidden"] = static_cast<double>(hidden);
}
BENCHMARK(BM_StyleAndPlace61)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
