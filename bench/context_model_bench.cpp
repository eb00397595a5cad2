// The context model: building it from 500 parsed result documents the way
// the main window does after a search (Clear, then per document AddFile,
// AddTitleMSPage, AddAnnotateMSPage, AddUrlMSPage), and answering GetWords
// and GetFiles for a few key sets the way the content map and the result
// page ask (context set from the documents, key words, a key document).
//
// The documents are generated: titles of 8 words, snippets of 2 sentences of
// 12 words, addresses of 4 words, and a word list of 10 words per document,
// drawn from 5,000 words with a Zipf law (a few words occur in most
// documents, as query words do in the results they found); one word in ten
// is left out (a stop word).
//
// The summary after the run prints the build time per 200 documents and the
// time of each query beside the targets (5 ms per 200 documents, 1 ms a
// query).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "language/parsing_text.h"
#include "network/context_ms.h"
#include "bench/zipf.h"

using namespace kestrune;

namespace {

constexpr int32_t kDocuments = 500;
constexpr int32_t kVocabulary = 5000;

struct Corpus {
  TParsingText text;
  std::vector<TNNKeys> wordLists;

  Corpus() {
    std::mt19937 rng(2024);
    bench::Zipf zipf(kVocabulary, 1.0);
    text.EnsureTables();
    auto sentence = [&](int32_t words) {
      text.ReserveSentences(int64_t{text.SentenceCount} + 1);
      TParsingSentence& s = text.Sentence(text.SentenceCount++);
      s = TParsingSentence{};
      s.FirstWord = text.WordCount;
      s.WordCount = words;
      for (int32_t w = 0; w < words; ++w) {
        text.ReserveWords(int64_t{text.WordCount} + 1);
        TParsingWord& word = text.Word(text.WordCount++);
        word = TParsingWord{};
        word.WordId = zipf(rng);
        word.Flags = rng() % 10 == 0 ? TParsingWord::kLeftOut : 0;
      }
    };
    auto paragraph = [&](int32_t sentences, int32_t words) {
      TParsingParagraph p;
      p.FirstSentence = text.SentenceCount;
      p.SentenceCount = sentences;
      for (int32_t s = 0; s < sentences; ++s) sentence(words);
      text.Paragraphs->push_back(p);
      ++text.ParagraphCount;
    };
    for (int32_t d = 0; d < kDocuments; ++d) {
      paragraph(1, 8);   // title
      paragraph(2, 12);  // snippet
      paragraph(1, 4);   // address
      TNNKeys list;
      for (int32_t w = 0; w < 10; ++w) list.push_back(TNNKey{zipf(rng), 1.0f});
      wordLists.push_back(std::move(list));
    }
  }
};

Corpus& TheCorpus() {
  static Corpus corpus;
  return corpus;
}

void Build(TIContextMS& model, int32_t documents) {
  const Corpus& corpus = TheCorpus();
  model.Clear();
  for (int32_t i = 0; i < documents; ++i) {
    model.AddFile(i);
    model.AddTitleMSPage(corpus.text, 3 * i, i);
    model.AddAnnotateMSPage(corpus.text, 3 * i + 1, i);
    model.AddUrlMSPage(corpus.text, 3 * i + 2, i, corpus.wordLists[static_cast<size_t>(i)],
                       0.9f - static_cast<float>(i) * 0.00001f);
  }
}

TIContextMS& BuiltModel() {
  static TIContextMS model;
  static bool built = false;
  if (!built) {
    Build(model, kDocuments);
    built = true;
  }
  return model;
}

// Key sets: the most frequent word, a frequent and a middling word, a rare
// word, and a key document with a key word.
struct KeySet {
  const char* name;
  TNNKeys words;
  TNNKeys files;
};

std::vector<KeySet> KeySets() {
  return {{"1 frequent word", {{0, 1.0f}}, {}},
          {"2 words (frequent, middling)", {{1, 1.0f}, {40, 1.0f}}, {}},
          {"1 rare word", {{900, 1.0f}}, {}},
          {"1 word and 1 document", {{3, 1.0f}}, {{7, 1.0f}}}};
}

// GetWords as the content map asks it: the word context of the documents
// GetFiles found for the keys, then the key words' neighbours.
void MapWords(TIContextMS& model, const KeySet& keys, TNNKeys& files, TNNKeys& words) {
  int32_t count = 50;
  model.GetFiles(keys.words, keys.files, count, files, 3);
  model.ClearContextWords();
  model.AddContextWords(files);
  count = 60;
  model.GetWords(keys.words, keys.files, count, words, 7, 0.01f);
}

void BM_Build(benchmark::State& state) {
  TIContextMS model;
  const auto documents = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    Build(model, documents);
    benchmark::DoNotOptimize(model.WordIdSet().Count());
  }
  state.counters["words"] = static_cast<double>(model.WordIdSet().Count());
}
BENCHMARK(BM_Build)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_GetFiles(benchmark::State& state) {
  TIContextMS& model = BuiltModel();
  const KeySet keys = KeySets()[static_cast<size_t>(state.range(0))];
  TNNKeys out;
  for (auto _ : state) {
    int32_t count = 50;
    model.GetFiles(keys.words, keys.files, count, out, 3);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(keys.name);
}
BENCHMARK(BM_GetFiles)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void BM_GetWords(benchmark::State& state) {
  TIContextMS& model = BuiltModel();
  const KeySet keys = KeySets()[static_cast<size_t>(state.range(0))];
  TNNKeys files;
  TNNKeys words;
  int32_t count = 50;
  model.GetFiles(keys.words, keys.files, count, files, 3);
  model.ClearContextWords();
  model.AddContextWords(files);
  for (auto _ : state) {
    count = 60;
    model.GetWords(keys.words, keys.files, count, words, 7, 0.01f);
    benchmark::DoNotOptimize(words.data());
  }
  state.SetLabel(keys.name);
}
BENCHMARK(BM_GetWords)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

template <typename F>
double MedianMs(int runs, F&& f) {
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    f();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void PrintSummary() {
  TIContextMS model;
  Build(model, kDocuments);
  const double build = MedianMs(21, [&] { Build(model, kDocuments); });
  std::printf("\nContext model from %d documents: %d words, %d pages\n", kDocuments, model.WordIdSet().Count(),
              model.Network().GetLayer(1)->GetCount());
  std::printf("%-34s %8.3f ms per 200 documents (%.3f ms for %d), target 5 ms (%s)\n", "build", build * 200 / kDocuments,
              build, kDocuments, build * 200 / kDocuments < 5.0 ? "met" : "MISSED");
  TNNKeys files;
  TNNKeys words;
  for (const KeySet& keys : KeySets()) {
    const double getFiles = MedianMs(101, [&] {
      int32_t count = 50;
      model.GetFiles(keys.words, keys.files, count, files, 3);
    });
    const double mapWords = MedianMs(101, [&] { MapWords(model, keys, files, words); });
    model.ClearContextWords();
    model.AddContextWords(files);
    const double getWords = MedianMs(101, [&] {
      int32_t count = 60;
      model.GetWords(keys.words, keys.files, count, words, 7, 0.01f);
    });
    std::printf("%-34s GetFiles %7.3f ms (%2zu documents), GetWords %7.3f ms (%2zu words), "
                "map round %7.3f ms, target 1 ms (%s)\n",
                keys.name, getFiles, files.size(), getWords, words.size(), mapWords,
                std::max(getFiles, getWords) < 1.0 ? "met" : "MISSED");
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintSummary();
  benchmark::Shutdown();
  return 0;
}
