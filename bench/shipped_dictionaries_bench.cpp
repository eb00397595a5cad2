// The shipped English dictionary and lexicon beside Hunspell (libhunspell) on
// the same en_US source, in the same run:
//   - load: our LoadFromFile of english.dws (with english.drmp) against
//     constructing Hunspell from en_US.aff and en_US.dic;
//   - look-up: our Search (flag 0) of every word token of a real English text
//     (Debian's fortunes-min), lower-cased as the parser looks it up, against
//     Hunspell's stem() of the same tokens as they stand in the text.
// Before the Google Benchmark runs it prints the coverage: the share of word
// tokens of that English text and of a real Russian text (fortunes-ru) for
// which our loaded dictionaries find at least one reading, beside the share
// Hunspell's spell() accepts. After them each operation is timed again three
// times and the fastest runs give the printed ratios (ours / Hunspell's: 1.00
// or less meets the target).
#include <benchmark/benchmark.h>
#include <hunspell/hunspell.hxx>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "language/morphology_engine_full.h"
#include "language/text_parsing_chars.h"
#include "language/word_dictionary.h"
#include "platform/text.h"

namespace {

using kestrune::TAffixIndexes;
using kestrune::TIMorphologyEngineFull;
using kestrune::TIWordDictionary;
using kestrune::TWordVariants;

const std::string kDictionaries = KESTRUNE_SHIPPED_DICTIONARIES;
const std::string kHunspell = KESTRUNE_HUNSPELL_DIR;
const std::string kFortunes = KESTRUNE_FORTUNES_DIR;
constexpr size_t kMaxRussianTokens = 300000;

// The parser's separators and control characters (the hyphen included:
// Hunspell checks the parts of a hyphenated word, and the parser looks the
// parts up when the whole is not a word).
bool IsSeparator(char16_t c) { return c < 32 || kestrune::parsing::IsSeparator(c); }

// The word tokens of a text: runs between separators, without those that
// hold a digit or an underscore (the parser drops them).
struct TTokens {
  std::vector<std::string> Original;     // UTF-8, as in the text (Hunspell's input)
  std::vector<std::u16string> Lower;     // as the parser looks them up
};

void AddTokens(const std::string& bytes, TTokens& tokens, size_t limit) {
  const std::u16string text = kestrune::platform::Utf8ToUtf16(bytes);
  size_t i = 0;
  while (i < text.size() && tokens.Lower.size() < limit) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const size_t start = i;
    bool keep = true;
    while (i < text.size() && !IsSeparator(text[i])) {
      if ((text[i] >= u'0' && text[i] <= u'9') || text[i] == u'_') keep = false;
      ++i;
    }
    if (i > start && keep) {
      const std::u16string_view token(text.data() + start, i - start);
      tokens.Original.push_back(kestrune::platform::Utf16ToUtf8(token));
      tokens.Lower.push_back(kestrune::platform::WideLowerCase(token));
    }
  }
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

const TTokens& EnglishTokens() {
  static const TTokens tokens = [] {
    TTokens t;
    for (const char* name : {"fortunes", "literature", "riddles"}) {
      AddTokens(ReadAll(kFortunes + "/" + name), t, SIZE_MAX);
    }
    return t;
  }();
  return tokens;
}

const TTokens& RussianTokens() {
  static const TTokens tokens = [] {
    TTokens t;
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kFortunes + "/ru", error)) {
      if (entry.path().extension() != ".dat" && entry.path().extension() != ".u8") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) AddTokens(ReadAll(file), t, kMaxRussianTokens);
    return t;
  }();
  return tokens;
}

// Our dictionaries as the program loads them.
struct TOurs {
  TIMorphologyEngineFull Engine;
  TIWordDictionary Dictionary;
  int32_t Result = -1;
  explicit TOurs(const std::vector<std::string>& names) {
    Dictionary.SetMorphologyEngine(&Engine);
    for (const std::string& name : names) {
      Result = Dictionary.LoadFromFile(kestrune::platform::Utf8ToUtf16(kDictionaries + "/" + name + ".dws"));
      if (Result != 0) break;
    }
  }
  ~TOurs() { Dictionary.SetMorphologyEngine(nullptr); }
};

std::unique_ptr<Hunspell> NewHunspell(const std::string& name) {
  return std::make_unique<Hunspell>((kHunspell + "/" + name + ".aff").c_str(),
                                    (kHunspell + "/" + name + ".dic").c_str());
}

int64_t SearchAll(TIWordDictionary& dictionary, const TTokens& tokens) {
  TWordVariants list;
  TAffixIndexes scratch;
  int64_t found = 0;
  for (const std::u16string& token : tokens.Lower) {
    if (dictionary.Search(token, list, 0, scratch) > 0) ++found;
  }
  return found;
}

int64_t StemAll(Hunspell& hunspell, const TTokens& tokens) {
  int64_t found = 0;
  for (const std::string& token : tokens.Original) {
    if (!hunspell.stem(token).empty()) ++found;
  }
  return found;
}

int64_t SpellAll(Hunspell& hunspell, const TTokens& tokens) {
  int64_t found = 0;
  for (const std::string& token : tokens.Original) {
    if (hunspell.spell(token)) ++found;
  }
  return found;
}

bool PrintCoverage() {
  TOurs ours({"english", "russian"});
  if (ours.Result != 0) {
    std::printf("the shipped dictionaries in %s do not load (%d)\n", kDictionaries.c_str(), ours.Result);
    return false;
  }
  std::printf("Coverage: word tokens that the loaded English and Russian dictionaries recognise (Search flag 0)\n"
              "beside those Hunspell accepts (spell), on the same tokens:\n");
  const struct {
    const char* Name;
    const char* Source;
    const TTokens& Tokens;
    const char* Hunspell;
  } texts[] = {{"English", "fortunes-min", EnglishTokens(), "en_US"},
               {"Russian", "fortunes-ru", RussianTokens(), "ru_RU"}};
  for (const auto& text : texts) {
    auto hunspell = NewHunspell(text.Hunspell);
    const double total = static_cast<double>(text.Tokens.Lower.size());
    const double our = 100.0 * static_cast<double>(SearchAll(ours.Dictionary, text.Tokens)) / total;
    const double their = 100.0 * static_cast<double>(SpellAll(*hunspell, text.Tokens)) / total;
    std::printf("  %-8s (%s, %zu tokens): ours %.2f%%, Hunspell %.2f%% (difference %+.2f points; target >= -1)\n",
                text.Name, text.Source, text.Tokens.Lower.size(), our, their, our - their);
  }
  return true;
}

void BM_Ours_LoadEnglish(benchmark::State& state) {
  for (auto _ : state) {
    TOurs ours({"english"});
    benchmark::DoNotOptimize(ours.Dictionary.Count());
  }
}
BENCHMARK(BM_Ours_LoadEnglish)->Unit(benchmark::kMillisecond);

void BM_Hunspell_LoadEnglish(benchmark::State& state) {
  for (auto _ : state) {
    auto hunspell = NewHunspell("en_US");
    benchmark::DoNotOptimize(hunspell.get());
  }
}
BENCHMARK(BM_Hunspell_LoadEnglish)->Unit(benchmark::kMillisecond);

void BM_Ours_Search(benchmark::State& state) {
  TOurs ours({"english"});
  for (auto _ : state) benchmark::DoNotOptimize(SearchAll(ours.Dictionary, EnglishTokens()));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(EnglishTokens().Lower.size()));
}
BENCHMARK(BM_Ours_Search)->Unit(benchmark::kMillisecond);

void BM_Hunspell_Stem(benchmark::State& state) {
  auto hunspell = NewHunspell("en_US");
  for (auto _ : state) benchmark::DoNotOptimize(StemAll(*hunspell, EnglishTokens()));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(EnglishTokens().Lower.size()));
}
BENCHMARK(BM_Hunspell_Stem)->Unit(benchmark::kMillisecond);

template <typename Fn>
double Milliseconds(Fn&& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void PrintRatios() {
  double ourLoad = 1e300, theirLoad = 1e300, ourSearch = 1e300, theirStem = 1e300;
  int64_t found = 0, stemmed = 0;
  for (int round = 0; round < 3; ++round) {
    ourLoad = std::min(ourLoad, Milliseconds([] { TOurs ours({"english"}); benchmark::DoNotOptimize(ours.Result); }));
    theirLoad = std::min(theirLoad, Milliseconds([] { benchmark::DoNotOptimize(NewHunspell("en_US").get()); }));
    TOurs ours({"english"});
    ourSearch = std::min(ourSearch, Milliseconds([&] { found = SearchAll(ours.Dictionary, EnglishTokens()); }));
    auto hunspell = NewHunspell("en_US");
    theirStem = std::min(theirStem, Milliseconds([&] { stemmed = StemAll(*hunspell, EnglishTokens()); }));
  }
  const double tokens = static_cast<double>(EnglishTokens().Lower.size());
  std::printf("\nen_US, fastest of 3 runs (ratio = our time / Hunspell's, 1.00 or less meets the target):\n");
  std::printf("  load     ours %8.1f ms   Hunspell %8.1f ms   ratio %.2f\n", ourLoad, theirLoad, ourLoad / theirLoad);
  std::printf("  look-up  ours %8.1f ms (%.2f M words/s, %lld found)   Hunspell stem() %8.1f ms (%.2f M words/s, "
              "%lld found)   ratio %.2f\n",
              ourSearch, tokens / ourSearch / 1000.0, static_cast<long long>(found), theirStem,
              tokens / theirStem / 1000.0, static_cast<long long>(stemmed), ourSearch / theirStem);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!PrintCoverage()) return 1;
  benchmark::RunSpecifiedBenchmarks();
  PrintRatios();
  benchmark::Shutdown();
  return 0;
}
