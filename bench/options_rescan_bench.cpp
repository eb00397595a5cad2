// What the options dialog does every 1.5 s while it is shown: one rescan of
// the engine-template folder and the dictionary folder of the built program
// folder, when nothing new has appeared there (the engines and dictionaries
// are those the folders hold). Beside it, in the same run, a plain
// std::filesystem listing of the same two folders (every entry's name).
// Target: at most 3x the listing. After the Google Benchmark runs both are
// timed again, fastest of 50, and the ratio printed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/options_model.h"
#include "core/base.h"
#include "core/find_files.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

class TSilentHost : public IOptionsHost {
 public:
  void ApplyLanguage() override {}
  void ShowStartPage() override {}
  void ShowResults(int32_t, int32_t) override {}
  void ResetKeepQuery() override {}
  void LoadDictionaries(bool) override {}
  void IBitmapButtonNewClick() override {}
  void BBtnSearchClick() override {}
  void SetAdvertEngine(std::string_view) override {}
  void StopAdvertEngine() override {}
  bool GetAdvancedMode() override { return false; }
  void SetAdvancedMode(bool) override {}
  void ClearHistory() override {}
  void OpenInBrowser(std::u16string_view) override {}
  int32_t AskNoDictionary(std::u16string_view, bool&) override { return 7; }
  void SetEngineBox(const std::vector<std::u16string>&, int32_t) override {}
  void SetMainCaption(std::u16string_view) override {}
  bool CurrentStepHasKeys() override { return false; }
  void EnableRefresh() override {}
};

struct TSetup {
  std::string program = KESTRUNE_PROGRAM_DIR "/";
  TMainSettings settings;
  TDefaultOptions saved, factory;
  int32_t links = kDefaultLinksToDownload;
  TSearchEns engines;
  std::string currentTemplate;
  bool begun = false;
  std::vector<TDictionaryEntry> dictionaries;
  TLngList languages;
  int32_t lang = 9;
  std::u16string project;
  bool engineChanged = false, applyDefaults = true, markChanged = true;
  TSilentHost host;
  std::unique_ptr<TOptionsModel> model;

  TSetup() {
    const std::u16string web = platform::Utf8ToUtf16(program + "templates/web/");
    const std::u16string dicts = platform::Utf8ToUtf16(program + "dictionaries/");
    // The lists as the program builds them when it starts.
    for (const std::u16string& file : ListEngineTemplates(web, begun)) {
      TSearchEn engine;
      engine.Template = platform::Utf16ToUtf8(file.substr(0, file.size() - 4));
      ReadEngineHeader(web, engine.Template, engine.Priority, engine.Name);
      engine.Enabled = true;
      engines.push_back(std::move(engine));
    }
    std::vector<std::u16string> files;
    WideFindFiles(files, dicts, u"*.dws", kFaDirectory, false);
    TIWordDictionary reader;
    for (const std::u16string& path : files) {
      TDictionaryEntry entry;
      std::u16string morphology;
      if (!reader.ReadFileHeader(path, entry.Header, morphology, entry.Author, entry.Description)) continue;
      entry.FileName = platform::Utf16ToUtf8(path.substr(path.find_last_of(u'/') + 1));
      entry.Language = platform::Utf16ToUtf8(LanguageName(entry.Header.DictID));
      entry.Active = true;
      dictionaries.push_back(std::move(entry));
    }
    model = std::make_unique<TOptionsModel>(
        TOptionsFields{settings, saved, factory, links, engines, currentTemplate, begun, dictionaries, languages,
                       lang, project, engineChanged, applyDefaults, markChanged, nullptr, web, dicts},
        host);
    model->FormShow();
  }
};

TSetup* setupInstance = nullptr;
TSetup& Setup() { return *setupInstance; }

bool RescanOurs(TSetup& setup) { return setup.model->Timer1Timer(); }

size_t ListFolders(TSetup& setup) {
  size_t names = 0;
  for (const char* folder : {"templates/web", "dictionaries"}) {
    for (const auto& entry : std::filesystem::directory_iterator(setup.program + folder)) {
      names += entry.path().filename().native().size() > 0;
    }
  }
  return names;
}

void BM_OptionsRescanTick(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) benchmark::DoNotOptimize(RescanOurs(setup));
  state.counters["engines"] = static_cast<double>(setup.engines.size());
  state.counters["dictionaries"] = static_cast<double>(setup.dictionaries.size());
}
BENCHMARK(BM_OptionsRescanTick)->Unit(benchmark::kMicrosecond);

void BM_FilesystemListing(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) benchmark::DoNotOptimize(ListFolders(setup));
}
BENCHMARK(BM_FilesystemListing)->Unit(benchmark::kMicrosecond);

template <typename Fn>
double Microseconds(Fn&& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
}

void PrintRatio() {
  TSetup& setup = Setup();
  double ours = 1e300, reference = 1e300;
  for (int round = 0; round < 50; ++round) {
    ours = std::min(ours, Microseconds([&] { RescanOurs(setup); }));
    reference = std::min(reference, Microseconds([&] { ListFolders(setup); }));
  }
  std::printf("\nOne rescan tick over %zu engine templates and %zu dictionaries, nothing new, fastest of 50\n",
              setup.engines.size(), setup.dictionaries.size());
  std::printf("  rescan %.1f us   std::filesystem listing %.1f us   ratio (ours / listing) %.2f (target 3.00)\n",
              ours, reference, ours / reference);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  {
    TSetup setup;
    setupInstance = &setup;
    benchmark::RunSpecifiedBenchmarks();
    PrintRatio();
    setupInstance = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}
