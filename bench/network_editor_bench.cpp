// The network editor's model: ExecuteAll listing a word whose element has
// 5,000 relations toward the word layer, beside a plain loop over the same
// relations (GetRelationTarget, GetRelationWeight, GetWordId) in the same
// run; and Apply's two passes over the 5,000 rows, all checked, with the
// save and read-back of the network (three files written, renamed and read)
// timed apart.
//
// The network: 5,001 word elements made by the context model, one of them
// related to all others in both directions with weights in (0, 1); the words
// are made-up texts of 4 to 11 letters. After the Google Benchmark runs each
// part is timed again and the fastest runs give the printed milliseconds
// (targets: ExecuteAll at most 3 times the loop and at most 20 ms; the two
// passes at most 50 ms).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "app/network_editor_model.h"
#include "language/phrase_word_dictionary.h"
#include "language/text_parsing.h"
#include "network/context_ms.h"
#include "platform/text.h"

namespace {

using namespace kestrune;

constexpr int32_t kRelations = 5000;

struct TSetup {
  TPhraseWordDictionary dictionary;
  TITextParsing parser;
  TIContextMS context;
  int32_t hub = -1;
  std::string folder;
  TNetworkEditorModel model{context, dictionary, parser,
                            TNetworkEditorHost{[this] { return hub; },
                                               [this] { return platform::Utf8ToUtf16(folder + "bench.kes"); }}};
  std::array<float, 4> coefficients{1.0f, 1.0f, 1.0f, 0.001f};

  TSetup() {
    char pattern[] = "/tmp/kestrune-editor-bench-XXXXXX";
    folder = std::string(mkdtemp(pattern)) + "/";
    parser.SetWordDictionary(&dictionary);
    std::mt19937 rng(35);
    const char16_t letters[] = u"etaoinshrdlucmfwypvbgk";
    std::uniform_real_distribution<float> weight(0.001f, 1.0f);
    context.Clear();
    for (int32_t i = 0; i <= kRelations; ++i) {
      std::u16string text;
      const size_t length = 4 + rng() % 8;
      while (text.size() < length) text += letters[rng() % 22];
      const int32_t id = dictionary.AddWord(text + platform::Utf8ToUtf16(std::to_string(i)), 0, -1);
      context.AddWord(id);
      context.Network().GetElement({0, context.FindWordElement(id)})->SetAnchor(1.0f);
      if (i == 0) {
        hub = id;
        continue;
      }
      TRelationPosition position;
      const TASNAddress from{0, context.FindWordElement(hub)};
      const TASNAddress to{0, context.FindWordElement(id)};
      context.Network().SetRelation(from, to, position, weight(rng));
      context.Network().SetRelation(to, from, position, weight(rng));
    }
    model.ExecuteAll();
    if (model.Rows().size() != kRelations) {
      std::fprintf(stderr, "the listing holds %zu rows\n", model.Rows().size());
      std::exit(1);
    }
  }

  size_t ExecuteAll() {
    model.ExecuteAll();
    return model.Rows().size();
  }
  double PlainLoop() {
    const TASNAddress address{0, context.FindWordElement(hub)};
    const TASNElement* element = context.Network().GetElement(address);
    const int32_t list = context.Network().FindRelationList(address, 0);
    double sum = 0;
    TRelationPosition position{address.Layer, address.Index, static_cast<int8_t>(list), 0};
    for (int32_t i = 0; i < element->GetRelationCount(list); ++i) {
      position.Node = i;
      sum += context.GetWordId(element->GetRelationTarget(position)) + element->GetRelationWeight(position);
    }
    return sum;
  }
  void ApplyPasses() {
    for (int32_t row = 0; row < kRelations; ++row) model.SetChecked(row, true);
    model.ApplyRows(coefficients);
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

void BM_ExecuteAll(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) benchmark::DoNotOptimize(setup.ExecuteAll());
}
BENCHMARK(BM_ExecuteAll)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_PlainRelationLoop(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) benchmark::DoNotOptimize(setup.PlainLoop());
}
BENCHMARK(BM_PlainRelationLoop)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_ApplyPasses(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) setup.ApplyPasses();
}
BENCHMARK(BM_ApplyPasses)->Unit(benchmark::kMillisecond)->MinTime(1.0);

template <typename Fn>
double Seconds(Fn&& fn, int repeats) {
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < repeats; ++i) fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / repeats;
}

void PrintRatio() {
  TSetup& setup = Setup();
  double listing = 1e300;
  double loop = 1e300;
  double passes = 1e300;
  double save = 1e300;
  for (int round = 0; round < 5; ++round) {
    listing = std::min(listing, Seconds([&] { setup.ExecuteAll(); }, 20));
    loop = std::min(loop, Seconds([&] { benchmark::DoNotOptimize(setup.PlainLoop()); }, 20));
    passes = std::min(passes, Seconds([&] { setup.ApplyPasses(); }, 5));
    save = std::min(save, Seconds([&] { setup.model.SaveAndReopen(); }, 1));
  }
  std::printf("\nThe network editor on an element with %d word relations\n", kRelations);
  std::printf("  ExecuteAll %.3f ms (target 20)   plain loop %.3f ms   ratio %.2f (target 3.00)\n", listing * 1e3,
              loop * 1e3, listing / loop);
  std::printf("  Apply, both passes over %d checked rows %.3f ms (target 50)\n", kRelations, passes * 1e3);
  std::printf("  Apply, save and read back (three files, synced) %.3f ms\n", save * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintRatio();
  benchmark::Shutdown();
  return 0;
}
