// The morphology engine and the dictionary over a generated lexicon: word
// analysis (AnalyseWord) and the dictionary's morphological look-up (Search)
// of inflected forms, in words per second, and the load throughput of the
// "DRMP" lexicon and the "DRWS" dictionary files, in MB per second.
//
// The lexicon: 2,000 paradigms of 2 to 12 forms over 300 endings and 12
// prefixes; 100,000 stems each naming one paradigm; the queries are 200,000
// forms of those stems and one word in ten that the dictionary does not know.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/frame.h"
#include "language/morphology_engine_full.h"
#include "language/word_dictionary.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

constexpr int kParadigms = 2000;
constexpr int kStems = 100000;
constexpr int kQueries = 200000;

std::u16string RandomText(std::mt19937& rng, int minLength, int maxLength) {
  const int n = minLength + static_cast<int>(rng() % (maxLength - minLength + 1));
  std::u16string s;
  for (int i = 0; i < n; ++i) s += static_cast<char16_t>(u'a' + rng() % 26);
  return s;
}

struct Fixture {
  Fixture() {
    std::mt19937 rng(42);
    std::vector<std::u16string> endings{u""};
    for (int i = 0; i < 300; ++i) endings.push_back(RandomText(rng, 1, 5));
    std::vector<std::u16string> prefixes;
    for (int i = 0; i < 12; ++i) prefixes.push_back(RandomText(rng, 2, 4));
    for (int p = 0; p < kParadigms; ++p) {
      const int32_t lx = engine.AddLexeme();
      TMEGroup* g = engine.GetLexeme(lx);
      g->SetPartOfSpeech(static_cast<uint8_t>(1 + p % 4));
      const int forms = 2 + static_cast<int>(rng() % 11);
      for (int k = 0; k < forms; ++k) {
        const int32_t j = g->AddForm();
        g->SetFormEnding(j, k == 0 ? std::u16string() : endings[rng() % endings.size()]);
        if (rng() % 5 == 0) g->SetFormPrefix(j, prefixes[rng() % prefixes.size()]);
        g->SetFormFeature25(j, static_cast<uint8_t>(k % 8));
      }
    }
    dictionary.SetMorphologyEngine(&engine);
    dictionary.SetMorphologyFile(u"bench.drmp");
    for (int i = 0; i < kStems; ++i) {
      const int32_t group = static_cast<int32_t>(rng() % kParadigms);
      const int32_t w = dictionary.AddWord(RandomText(rng, 3, 9), 0, group);
      if (w >= 0) stems.push_back(w);
    }
    for (int i = 0; i < kQueries; ++i) {
      if (i % 10 == 9) {
        queries.push_back(RandomText(rng, 4, 12));
        continue;
      }
      TWDWord* word = dictionary.GetWord(stems[rng() % stems.size()]);
      queries.push_back(word->GetForm(static_cast<int32_t>(rng() % word->FormCount())));
    }
    // The files, in memory-backed storage where the system has it.
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/kestrune-morphology-bench-XXXXXX";
    folder = ::mkdtemp(pattern.data()) ? pattern + "/" : std::string(base) + "/";
    lexiconFile = platform::Utf8ToUtf16(folder + "bench.drmp");
    dictionaryFile = platform::Utf8ToUtf16(folder + "bench.dws");
    engine.SaveToFile(lexiconFile);
    TMemoryStream image;
    TFrameHeader frame;
    frame.Magic = kMagicDRWS;
    image.Write(&frame, sizeof frame);
    dictionary.SaveToStream(image, false);
    frame.CRC = CRC32Update(0, image.Bytes().data() + 16, image.Bytes().size() - 16);
    std::memcpy(image.Bytes().data(), &frame, sizeof frame);
    image.SaveToFile(dictionaryFile);
  }
  ~Fixture() {
    platform::RemoveFile(lexiconFile);
    platform::RemoveFile(dictionaryFile);
    ::rmdir(folder.c_str());
    dictionary.SetMorphologyEngine(nullptr);
  }

  TIMorphologyEngineFull engine;
  TIWordDictionary dictionary;
  std::vector<int32_t> stems;
  std::vector<std::u16string> queries;
  std::string folder;
  std::u16string lexiconFile;
  std::u16string dictionaryFile;
};

Fixture& Data() {
  static Fixture fixture;
  return fixture;
}

void BM_AnalyseWord(benchmark::State& state) {
  Fixture& f = Data();
  TAffixIndexes rows;
  size_t i = 0;
  int64_t words = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.engine.AnalyseWord(f.queries[i], rows));
    if (++i == f.queries.size()) i = 0;
    ++words;
  }
  state.SetItemsProcessed(words);
  state.SetLabel("words/s");
}
BENCHMARK(BM_AnalyseWord);

void BM_DictionarySearchWithMorphology(benchmark::State& state) {
  Fixture& f = Data();
  TWordVariants list;
  TAffixIndexes scratch;
  size_t i = 0;
  int64_t words = 0, found = 0;
  for (auto _ : state) {
    const int32_t n = f.dictionary.Search(f.queries[i], list, 0, scratch);
    found += n > 0;
    if (++i == f.queries.size()) i = 0;
    ++words;
  }
  state.SetItemsProcessed(words);
  state.counters["found"] = benchmark::Counter(static_cast<double>(found) / static_cast<double>(words));
  state.SetLabel("words/s");
}
BENCHMARK(BM_DictionarySearchWithMorphology);

void BM_LexiconLoad(benchmark::State& state) {
  Fixture& f = Data();
  const int64_t size = platform::GetPathInfo(f.lexiconFile).size;
  for (auto _ : state) {
    TIMorphologyEngineFull engine;
    if (engine.LoadFromFile(f.lexiconFile) != 0) state.SkipWithError("lexicon load failed");
    benchmark::DoNotOptimize(engine.LexemeCount());
  }
  state.SetBytesProcessed(size * state.iterations());
  state.SetLabel("DRMP");
}
BENCHMARK(BM_LexiconLoad)->Unit(benchmark::kMillisecond);

void BM_DictionaryLoadWithLexicon(benchmark::State& state) {
  Fixture& f = Data();
  const int64_t size = platform::GetPathInfo(f.dictionaryFile).size;
  int64_t words = 0;
  for (auto _ : state) {
    TIMorphologyEngineFull engine;
    TIWordDictionary dictionary;
    dictionary.SetMorphologyEngine(&engine);
    if (dictionary.LoadFromFile(f.dictionaryFile) != 0) state.SkipWithError("dictionary load failed");
    words += dictionary.Count();
    dictionary.SetMorphologyEngine(nullptr);
  }
  // Bytes of the dictionary file alone (its lexicon is loaded too).
  state.SetBytesProcessed(size * state.iterations());
  state.SetItemsProcessed(words);
  state.SetLabel("DRWS + DRMP, words/s");
}
BENCHMARK(BM_DictionaryLoadWithLexicon)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
