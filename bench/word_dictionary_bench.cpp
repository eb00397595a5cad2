// TIWordDictionary exact look-up (Search with flag 0, no engine, CaseSensitivity
// True) and AddWord, in both index modes, beside std::map<std::u16string,
// int32_t> over the same 1,000,000 generated words in the same run. After the
// Google Benchmark runs, each operation is timed again three times in turn and
// the fastest run of each gives the printed ratios (our time / std::map's
// time: 1.00 or less means at least std::map's rate). Our times include the
// dictionary's lock.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "language/word_dictionary.h"

namespace {

using kestrune::TAffixIndexes;
using kestrune::TIWordDictionary;
using kestrune::TWordVariants;

constexpr int kWords = 1000000;

// Distinct words of 3 to 12 letters, Latin and Cyrillic, in random order.
const std::vector<std::u16string>& Words() {
  static const std::vector<std::u16string> words = [] {
    std::mt19937 rng(2026);
    std::vector<std::u16string> list;
    list.reserve(kWords);
    std::unordered_set<std::u16string> seen;
    seen.reserve(kWords * 2);
    while (list.size() < kWords) {
      const bool cyrillic = rng() % 4 == 0;
      const char16_t base = cyrillic ? u'\u0430' : u'a';
      const int letters = cyrillic ? 32 : 26;
      std::u16string word(3 + rng() % 10, u' ');
      for (char16_t& c : word) c = static_cast<char16_t>(base + rng() % letters);
      if (seen.insert(word).second) list.push_back(std::move(word));
    }
    return list;
  }();
  return words;
}

// The words in another order, every fourth replaced by a word not in the set.
const std::vector<std::u16string>& Probes() {
  static const std::vector<std::u16string> probes = [] {
    std::vector<std::u16string> p = Words();
    std::shuffle(p.begin(), p.end(), std::mt19937(99));
    for (size_t i = 0; i < p.size(); i += 4) p[i] += u"Q";
    return p;
  }();
  return probes;
}

std::unique_ptr<TIWordDictionary> NewDictionary(bool fastSpeed) {
  auto dictionary = std::make_unique<TIWordDictionary>();
  dictionary->SetFastSpeed(fastSpeed);
  return dictionary;
}

int64_t AddAll(TIWordDictionary& dictionary) {
  int64_t sum = 0;
  for (const std::u16string& word : Words()) sum += dictionary.AddWord(word, 0, -1);
  return sum;
}

int64_t InsertAll(std::map<std::u16string, int32_t>& map) {
  int64_t sum = 0;
  int32_t next = 0;
  for (const std::u16string& word : Words()) sum += map.emplace(word, next++).first->second;
  return sum;
}

int64_t SearchAll(TIWordDictionary& dictionary) {
  TWordVariants list;
  TAffixIndexes scratch;
  int64_t found = 0;
  for (const std::u16string& word : Probes()) {
    if (dictionary.Search(word, list, 0, scratch) > 0) found += list[0].WordIndex;
  }
  return found;
}

int64_t FindAll(const std::map<std::u16string, int32_t>& map) {
  int64_t found = 0;
  for (const std::u16string& word : Probes()) {
    auto it = map.find(word);
    if (it != map.end()) found += it->second;
  }
  return found;
}

void BM_Dictionary_AddWord(benchmark::State& state) {
  std::unique_ptr<TIWordDictionary> dictionary;
  for (auto _ : state) {
    state.PauseTiming();
    dictionary = NewDictionary(state.range(0) != 0);
    state.ResumeTiming();
    benchmark::DoNotOptimize(AddAll(*dictionary));
  }
  state.SetItemsProcessed(state.iterations() * kWords);
}
BENCHMARK(BM_Dictionary_AddWord)->Arg(0)->Arg(1)->ArgName("FastSpeed")->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_StdMap_Insert(benchmark::State& state) {
  std::unique_ptr<std::map<std::u16string, int32_t>> map;
  for (auto _ : state) {
    state.PauseTiming();
    map = std::make_unique<std::map<std::u16string, int32_t>>();
    state.ResumeTiming();
    benchmark::DoNotOptimize(InsertAll(*map));
  }
  state.SetItemsProcessed(state.iterations() * kWords);
}
BENCHMARK(BM_StdMap_Insert)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Dictionary_Search(benchmark::State& state) {
  auto dictionary = NewDictionary(state.range(0) != 0);
  AddAll(*dictionary);
  for (auto _ : state) benchmark::DoNotOptimize(SearchAll(*dictionary));
  state.SetItemsProcessed(state.iterations() * kWords);
}
BENCHMARK(BM_Dictionary_Search)->Arg(0)->Arg(1)->ArgName("FastSpeed")->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StdMap_Find(benchmark::State& state) {
  std::map<std::u16string, int32_t> map;
  InsertAll(map);
  for (auto _ : state) benchmark::DoNotOptimize(FindAll(map));
  state.SetItemsProcessed(state.iterations() * kWords);
}
BENCHMARK(BM_StdMap_Find)->Unit(benchmark::kMillisecond)->Iterations(3);

template <typename Fn>
double Milliseconds(Fn&& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void PrintRatios() {
  double add[2] = {1e300, 1e300}, search[2] = {1e300, 1e300}, mapInsert = 1e300, mapFind = 1e300;
  int64_t check[3] = {0, 0, 0};
  for (int round = 0; round < 3; ++round) {
    for (int mode = 0; mode < 2; ++mode) {
      auto dictionary = NewDictionary(mode != 0);
      add[mode] = std::min(add[mode], Milliseconds([&] { benchmark::DoNotOptimize(AddAll(*dictionary)); }));
      search[mode] = std::min(search[mode], Milliseconds([&] { check[mode] = SearchAll(*dictionary); }));
    }
    std::map<std::u16string, int32_t> map;
    mapInsert = std::min(mapInsert, Milliseconds([&] { benchmark::DoNotOptimize(InsertAll(map)); }));
    mapFind = std::min(mapFind, Milliseconds([&] { check[2] = FindAll(map); }));
  }
  std::printf("\n%d words, fastest of 3 runs (ratio = ours / std::map, 1.00 or less meets the target):\n", kWords);
  const char* names[2] = {"AVL     (FastSpeed False)", "ternary (FastSpeed True) "};
  for (int mode = 0; mode < 2; ++mode) {
    std::printf("  %s AddWord %7.1f ms (ratio %.2f)   Search %7.1f ms (ratio %.2f)%s\n", names[mode], add[mode],
                add[mode] / mapInsert, search[mode], search[mode] / mapFind,
                check[mode] == check[2] ? "" : "  RESULTS DIFFER");
  }
  std::printf("  std::map                  insert  %7.1f ms                find   %7.1f ms\n", mapInsert, mapFind);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintRatios();
  benchmark::Shutdown();
  return 0;
}
