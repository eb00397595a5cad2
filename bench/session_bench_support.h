// What the benchmarks of the main window's session share: a session created
// as the main window creates it, over the built program folder with the
// shipped English dictionary only, its settings and data in a temporary
// folder of its own; the fortunes of Debian's fortune files as real text; and
// the median time of repeated runs. Needs KESTRUNE_PROGRAM_DIR defined.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/kestrune_session.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "tests/app/recording_main_view.h"

namespace kestrune::bench {

// The fortunes of a fortune file: texts between lines that hold only "%".
inline std::vector<std::string> ReadFortunes(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> fortunes;
  std::string line, text;
  while (std::getline(in, line)) {
    if (line == "%") {
      if (!text.empty()) fortunes.push_back(text);
      text.clear();
    } else {
      text += line + "\n";
    }
  }
  if (!text.empty()) fortunes.push_back(text);
  return fortunes;
}

// A created session over `view`; its settings and data live below a new
// temporary folder, returned in `root` (with a trailing "/"). Ends the
// program when the shipped English dictionary is missing.
inline std::unique_ptr<TKestruneSession> MakeEnglishSession(test::TRecordingMainView& view, std::string& root) {
  root = std::filesystem::temp_directory_path().string() + "/kestrune-bench-XXXXXX";
  if (!::mkdtemp(root.data())) std::abort();
  root += "/";
  ::setenv("KESTRUNE_CONFIG_HOME", (root + "config/").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root + "data").c_str(), 1);
  {
    platform::SettingsStore store;
    if (store.OpenKey(kSettingsKey, true)) store.WriteString("Dictionaries", "9");  // English only
  }
  auto session = std::make_unique<TKestruneSession>(platform::Utf8ToUtf16(KESTRUNE_PROGRAM_DIR "/"));
  session->ReadLanguageTable();
  session->Config.ReadStartupSettings();
  if (!session->Create(&view, nullptr, nullptr) || session->WordDictionary.Count() < 10000) {
    std::fprintf(stderr, "the shipped English dictionary is missing in %s\n", KESTRUNE_PROGRAM_DIR);
    std::abort();
  }
  return session;
}

// The median time of `runs` runs of fn, each after an untimed before().
template <typename Before, typename Fn>
double MedianMilliseconds(Before&& before, Fn&& fn, int runs = 21) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    before();
    const auto t0 = std::chrono::steady_clock::now();
    fn();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[static_cast<size_t>(runs / 2)];
}

// A session benchmark's main: the setup is made once, the registered
// benchmarks run over it (through `instance`), then `printSummary` prints the
// side-by-side figures.
template <typename TSetup>
int RunSessionBenchmarks(int argc, char** argv, TSetup*& instance, void (*printSummary)()) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  {
    TSetup setup;
    instance = &setup;
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    instance = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace kestrune::bench
