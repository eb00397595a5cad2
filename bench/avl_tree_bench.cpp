// TIAVLTree Add and Find on sets of 100,000 values beside std::set<int32_t>,
// in the same run; the ratios (ours / std::set, lower is better) are printed
// at the end. Our times include the set's lock. Each benchmark runs several
// times in shuffled order and the ratio uses each one's fastest run, which is
// the least disturbed by other work on the machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/avl_tree.h"

namespace {

constexpr int kValues = 100000;

const std::vector<int32_t>& Values() {
  static const std::vector<int32_t> values = [] {
    std::mt19937 rng(12345);
    std::vector<int32_t> v(kValues);
    for (int32_t& x : v) x = static_cast<int32_t>(rng());
    return v;
  }();
  return values;
}

// The values in another order, half of them replaced by values not in the set.
const std::vector<int32_t>& Probes() {
  static const std::vector<int32_t> probes = [] {
    std::vector<int32_t> p = Values();
    std::mt19937 rng(777);
    std::shuffle(p.begin(), p.end(), rng);
    for (size_t i = 0; i < p.size(); i += 2) p[i] = static_cast<int32_t>(rng()) | 1;
    return p;
  }();
  return probes;
}

void BM_AVLTree_Add(benchmark::State& state) {
  std::unique_ptr<kestrune::TIAVLTree> tree;
  for (auto _ : state) {
    state.PauseTiming();
    tree = std::make_unique<kestrune::TIAVLTree>();
    state.ResumeTiming();
    for (int32_t v : Values()) benchmark::DoNotOptimize(tree->Add(v));
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void BM_StdSet_Add(benchmark::State& state) {
  std::unique_ptr<std::set<int32_t>> set;
  for (auto _ : state) {
    state.PauseTiming();
    set = std::make_unique<std::set<int32_t>>();
    state.ResumeTiming();
    for (int32_t v : Values()) benchmark::DoNotOptimize(set->insert(v));
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void BM_AVLTree_Find(benchmark::State& state) {
  kestrune::TIAVLTree tree;
  for (int32_t v : Values()) tree.Add(v);
  for (auto _ : state) {
    int64_t found = 0;
    for (int32_t v : Probes()) found += tree.Find(v) >= 0;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

void BM_StdSet_Find(benchmark::State& state) {
  std::set<int32_t> set(Values().begin(), Values().end());
  for (auto _ : state) {
    int64_t found = 0;
    for (int32_t v : Probes()) found += set.find(v) != set.end();
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}

constexpr int kRepetitions = 7;
BENCHMARK(BM_AVLTree_Add)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
BENCHMARK(BM_StdSet_Add)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
BENCHMARK(BM_AVLTree_Find)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
BENCHMARK(BM_StdSet_Find)->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);

// Keeps the fastest real time of every benchmark to print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.run_name.function_name;
      const double time = run.GetAdjustedRealTime();
      const auto known = times.find(name);
      if (known == times.end() || time < known->second) times[name] = time;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* op : {"Add", "Find"}) {
    const auto ours = reporter.times.find(std::string("BM_AVLTree_") + op);
    const auto theirs = reporter.times.find(std::string("BM_StdSet_") + op);
    if (ours == reporter.times.end() || theirs == reporter.times.end() || theirs->second <= 0) continue;
    std::printf("%-5s TIAVLTree / std::set<int32_t> = %.2f (target <= 1.25)\n", op, ours->second / theirs->second);
  }
  benchmark::Shutdown();
  return 0;
}
