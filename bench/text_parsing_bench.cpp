// TITextParsing throughput on real English and Russian prose, beside ICU's
// word BreakIterator over the same UTF-16 text in the same run.
//
// The prose: the plain-text editions of three GPL manuals that Debian ships
// in both languages (developers-reference, maint-guide, debian-faq and their
// -ru packages, installed by scripts/install-deps.sh), read from their .gz
// files. The dictionary: 100,000 words, the first 50,000 distinct stems of
// each of the Hunspell word lists en_US and ru_RU; the parser runs with the
// main window's settings (AllWords, DeleteWordWithNumber, ParallelWorking,
// Punctuation; Undefined, Verb, Noun, Adjective, Invariant), so every token
// is looked up and unknown words are added (a first parse adds them, the
// timed parses find them). After the Google Benchmark runs, both are timed
// again three times and the fastest runs give the printed MB/s (of UTF-16
// text) and the ratio.
#include <benchmark/benchmark.h>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "language/text_parsing.h"
#include "language/word_dictionary.h"
#include "platform/text.h"

namespace {

using kestrune::TITextParsing;
using kestrune::TIWordDictionary;

constexpr int kWordsPerList = 50000;

struct TCorpus {
  std::vector<std::u16string> texts;
  size_t units = 0;
};

std::string ReadGzip(const char* path) {
  std::string out;
  gzFile file = gzopen(path, "rb");
  if (file == nullptr) return out;
  char buffer[65536];
  int n;
  while ((n = gzread(file, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  gzclose(file);
  return out;
}

TCorpus LoadCorpus(const std::vector<const char*>& paths) {
  TCorpus corpus;
  for (const char* path : paths) {
    const std::string bytes = ReadGzip(path);
    if (bytes.empty()) {
      std::fprintf(stderr, "missing %s (run scripts/install-deps.sh)\n", path);
      std::exit(1);
    }
    corpus.texts.push_back(kestrune::platform::Utf8ToUtf16(bytes));
    corpus.units += corpus.texts.back().size();
  }
  return corpus;
}

const TCorpus& English() {
  static const TCorpus corpus = LoadCorpus({"/usr/share/developers-reference/developers-reference.txt.gz",
                                            "/usr/share/doc/maint-guide/maint-guide.en.txt.gz",
                                            "/usr/share/doc/debian/FAQ/debian-faq.en.txt.gz"});
  return corpus;
}

const TCorpus& Russian() {
  static const TCorpus corpus = LoadCorpus({"/usr/share/developers-reference/ru/developers-reference.txt.gz",
                                            "/usr/share/doc/maint-guide-ru/maint-guide.ru.txt.gz",
                                            "/usr/share/doc/debian/FAQ/debian-faq.ru.txt.gz"});
  return corpus;
}

const TCorpus& Corpus(int64_t language) { return language == 0 ? English() : Russian(); }

// The first distinct stems of a Hunspell word list, lower-cased.
void AddWordList(TIWordDictionary& dictionary, const char* path) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "missing %s (run scripts/install-deps.sh)\n", path);
    std::exit(1);
  }
  std::string line;
  std::getline(in, line);  // the count
  std::unordered_set<std::u16string> seen;
  while (static_cast<int>(seen.size()) < kWordsPerList && std::getline(in, line)) {
    const size_t slash = line.find('/');
    if (slash != std::string::npos) line.resize(slash);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty()) continue;
    std::u16string word = kestrune::platform::WideLowerCase(kestrune::platform::Utf8ToUtf16(line));
    if (seen.insert(word).second) dictionary.AddWord(word, 0, -1);
  }
}

struct TSetup {
  TIWordDictionary dictionary;
  TITextParsing parser;
  int32_t listWords = 0;
  TSetup() {
    AddWordList(dictionary, "/usr/share/hunspell/en_US.dic");
    AddWordList(dictionary, "/usr/share/hunspell/ru_RU.dic");
    listWords = dictionary.Count();
    parser.SetWordDictionary(&dictionary);
    parser.SetAllWords(true);
    parser.SetDeleteWordWithNumber(true);
    parser.SetParallelWorking(true);
    parser.SetPunctuation(true);
    parser.SetianwWord(false);
    parser.ProcessedParts().SetInvariant(true);
    // The first parse adds the words the lists lack.
    for (const TCorpus* corpus : {&English(), &Russian()}) {
      for (const std::u16string& text : corpus->texts) parser.Parse(text);
    }
  }
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

int64_t ParseAll(const TCorpus& corpus) {
  TITextParsing& parser = Setup().parser;
  int64_t words = 0;
  for (const std::u16string& text : corpus.texts) {
    parser.Parse(text);
    words += parser.ParsingText().WordCount;
  }
  return words;
}

int64_t BreakAll(const TCorpus& corpus) {
  UErrorCode status = U_ZERO_ERROR;
  static std::unique_ptr<icu::BreakIterator> iterator(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) {
    std::fprintf(stderr, "ICU word break iterator: %s\n", u_errorName(status));
    std::exit(1);
  }
  int64_t words = 0;
  for (const std::u16string& text : corpus.texts) {
    icu::UnicodeString alias(false, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
    iterator->setText(alias);
    for (int32_t p = iterator->next(); p != icu::BreakIterator::DONE; p = iterator->next()) {
      if (iterator->getRuleStatus() != UBRK_WORD_NONE) ++words;
    }
  }
  return words;
}

void BM_TextParsing(benchmark::State& state) {
  const TCorpus& corpus = Corpus(state.range(0));
  Setup();
  for (auto _ : state) benchmark::DoNotOptimize(ParseAll(corpus));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(corpus.units * 2));
}
BENCHMARK(BM_TextParsing)->Arg(0)->Arg(1)->ArgName("Russian")->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_IcuWordBreak(benchmark::State& state) {
  const TCorpus& corpus = Corpus(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(BreakAll(corpus));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(corpus.units * 2));
}
BENCHMARK(BM_IcuWordBreak)->Arg(0)->Arg(1)->ArgName("Russian")->Unit(benchmark::kMillisecond)->MinTime(1.0);

template <typename Fn>
double Seconds(Fn&& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void PrintRatios() {
  TSetup& setup = Setup();
  std::printf("\nText parsing beside ICU's word BreakIterator, fastest of 3 runs, MB/s of UTF-16 text\n");
  std::printf("dictionary: %d words from the Hunspell lists, %d after the first parse added the rest\n",
              setup.listWords, setup.dictionary.Count());
  double oursTotal = 0.0;
  double icuTotal = 0.0;
  double bytesTotal = 0.0;
  const char* names[2] = {"English", "Russian"};
  for (int language = 0; language < 2; ++language) {
    const TCorpus& corpus = Corpus(language);
    double ours = 1e300;
    double icu = 1e300;
    int64_t parsed = 0;
    int64_t broken = 0;
    for (int round = 0; round < 3; ++round) {
      ours = std::min(ours, Seconds([&] { parsed = ParseAll(corpus); }));
      icu = std::min(icu, Seconds([&] { broken = BreakAll(corpus); }));
    }
    const double megabytes = static_cast<double>(corpus.units) * 2.0 / 1e6;
    std::printf("  %s: %.2f MB (%zu units), %lld words parsed, %lld ICU words\n", names[language], megabytes,
                corpus.units, static_cast<long long>(parsed), static_cast<long long>(broken));
    std::printf("    TITextParsing %7.2f MB/s   ICU BreakIterator %7.2f MB/s   ratio %.2f\n", megabytes / ours,
                megabytes / icu, icu / ours);
    oursTotal += ours;
    icuTotal += icu;
    bytesTotal += megabytes;
  }
  std::printf("  both: %.2f MB   TITextParsing %.2f MB/s (target 5.00)   ICU %.2f MB/s   ratio (ours / ICU) %.2f\n",
              bytesTotal, bytesTotal / oursTotal, bytesTotal / icuTotal, icuTotal / oursTotal);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintRatios();
  benchmark::Shutdown();
  return 0;
}
