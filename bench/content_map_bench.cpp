// The content map's force layout of a full map (61 keys, relations between a
// quarter of the pairs), the label placement of the laid-out keys, and a whole
// map rebuild of 61 keys from a context model, in milliseconds.
//
// `content_map_bench --dump-graph=<file>` writes the layout's 61 nodes and
// their relation weights as JSON instead of running, for the d3-force
// reference of bench/d3_force_compare.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "map/content_map2.h"
#include "map/print_word_by_net.h"
#include "network/context_ms.h"
#include "platform/text.h"

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

// A context model of 72 words on one result document: query words 1 and 2,
// every other word related to the first, half of them to the second, and a
// sixth of the pairs to each other.
void FillModel(TIContextMS& net) {
  constexpr int32_t kWords = 72;
  std::mt19937 random(72);
  for (int32_t id = 1; id <= kWords; ++id) {
    net.AddWord(id);
    net.Network().GetElement({0, net.FindWordElement(id)})->SetAnchor(1.0f);
  }
  net.AddFile(0);
  std::vector<int32_t> pages;
  net.GetFileElements(0, pages);
  TRelationPosition position;
  const auto relate = [&](TASNAddress a, TASNAddress b, float w) {
    net.Network().SetRelation(a, b, position, w);
    net.Network().SetRelation(b, a, position, w);
  };
  for (int32_t id = 1; id <= kWords; ++id) {
    const TASNAddress word{0, net.FindWordElement(id)};
    relate(word, {1, pages.at(0)}, 0.5f);
    if (id > 2) {
      relate(word, {0, net.FindWordElement(1)}, 0.45f + static_cast<float>(random() % 50) / 100.0f);
      if (random() % 2 == 0) {
        relate(word, {0, net.FindWordElement(2)}, 0.05f + static_cast<float>(random() % 90) / 100.0f);
      }
    }
    for (int32_t other = id + 1; other <= kWords; ++other) {
      if (random() % 6 == 0) {
        relate(word, {0, net.FindWordElement(other)}, static_cast<float>(random() % 100) / 100.0f);
      }
    }
  }
}

void BM_BuildMap61(benchmark::State& state) {
  TIContextMS net;
  FillModel(net);
  TContentMap2 map;
  map.SetNeuroNet(&net);
  map.SetMapSize(800, 600);
  map.SetNoQueryMode(false);
  map.SetWordCount(59);
  map.OnGetKeyName = [](int32_t id) {
    return std::u16string(1, static_cast<char16_t>(u'a' + id * 7 % 26)) + u"word" +
           std::u16string(1, static_cast<char16_t>(u'a' + id % 26));
  };
  map.OnBeforeKeysHook = [&map] { map.ResultFiles() = TNNKeys{{0, 1.0f}}; };
  map.Steps().SetValue(0, 1, 1.0f, true);
  map.Steps().SetValue(0, 2, 1.0f, true);
  int64_t hidden = 0;
  for (auto _ : state) {
    map.BuildMap(false);
    hidden = 0;
    for (const TKey& key : map.Keys()) hidden += (key.Flags & KF_HIDDEN) != 0;
  }
  state.counters["keys"] = static_cast<double>(map.KeyCount());
  state.counters["hidden"] = static_cast<double>(hidden);
}
BENCHMARK(BM_BuildMap61)->Unit(benchmark::kMillisecond);

// The layout's nodes and links as JSON: a link for every relation above the
// layout's threshold of 0.01, its weight as the strength.
bool DumpGraph(const char* path) {
  TContentMap2 map;
  FillMap(map);
  std::ofstream out(path, std::ios::binary);
  out << "{\"nodes\":[";
  for (size_t i = 0; i < kKeys; ++i) {
    out << (i ? "," : "") << "{\"id\":" << i << ",\"name\":\"" << platform::Utf16ToUtf8(map.Keys()[i].Name)
        << "\"}";
  }
  out << "],\"links\":[";
  bool first = true;
  char weight[32];
  for (size_t i = 0; i < kKeys; ++i) {
    for (size_t j = 0; j < kKeys; ++j) {
      const float w = map.Relations()[i][j];
      if (i == j || w <= 0.01f) continue;
      std::snprintf(weight, sizeof(weight), "%.9g", static_cast<double>(w));
      out << (first ? "" : ",") << "{\"source\":" << i << ",\"target\":" << j << ",\"strength\":" << weight
          << "}";
      first = false;
    }
  }
  out << "]}\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kDump = "--dump-graph=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kDump, std::strlen(kDump)) == 0) return DumpGraph(argv[i] + std::strlen(kDump)) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
