// Writing the settings at the program's end: SaveSettings, one update of the
// settings store (one locked read of the hive, one save), beside the same 42
// values written one store call at a time (each call locks, reads and saves
// the hive), in one run. Every pass changes every value, so both sides save.
// Target: the update at least 10 times faster. The settings load is timed for
// reference. After the Google Benchmark runs both writes are timed again,
// fastest of 20, and the ratio printed.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/kestrune_session.h"
#include "platform/settings_store.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

struct TSetup {
  std::string root;
  std::unique_ptr<TKestruneSession> session;
  int32_t pass = 0;

  TSetup() {
    root = std::filesystem::temp_directory_path().string() + "/kestrune-settings-bench-XXXXXX";
    if (!::mkdtemp(root.data())) std::abort();
    root += "/";
    for (const char* folder : {"program/dictionaries", "program/Language", "data"}) {
      std::filesystem::create_directories(root + folder);
    }
    ::setenv("KESTRUNE_CONFIG_HOME", (root + "config/").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root + "data").c_str(), 1);
    session = std::make_unique<TKestruneSession>(platform::Utf8ToUtf16(root + "program/"));
    session->Config.ReadStartupSettings();
    session->Config.LoadSettings();
  }
  ~TSetup() {
    std::error_code error;
    std::filesystem::remove_all(root, error);
  }

  // A new value for every setting.
  void Change() {
    ++pass;
    const std::string n = std::to_string(pass);
    const std::u16string w = platform::Utf8ToUtf16(n);
    TMainSettings& s = session->Config.Settings;
    const bool odd = pass % 2 != 0;
    s.NewsInReg = pass;
    s.TrackPosContext = 10 + pass % 90;
    s.TrackPosExact = pass % 3;
    s.website = "Engine " + n;
    s.Lwebsite = "Engine " + n + ",Other,";
    s.askforsave = s.SetAsDefault = s.AskActivateDict = s.AskDownloadDictForLng = odd;
    s.AutoActivateDictForLng = s.LoadAllNets = s.ClustersResult = s.AnalysisMainBlock = !odd;
    s.Author = u"Author " + w;
    s.Org = u"Organisation " + w;
    s.PartsOfSpeech = 1 + pass % 0x1FFFF;
    session->Config.InterfaceLang = odd ? 9 : 1049;
    session->Config.SavedOptions.LinksToDownload = 50 + pass % 50;
    session->Config.SavedOptions.AutoRefresh = session->Config.SavedOptions.ExcludeWithContext = odd;
    session->Config.SavedOptions.WordForms = !odd;
    for (size_t i = 0; i < kRecentSlots; ++i) {
      session->Config.RecentQueries[i] = u"query " + w + u" " + std::u16string(1, static_cast<char16_t>(u'0' + i));
      session->Config.RecentProjects[i] = u"/home/user/project " + w + u".kqp";
    }
    session->Config.Dictionaries = n;  // not written: the list decides, and it is empty here
  }

  void SaveBatched() { session->Config.SaveSettings(); }
  void SaveOneAtATime() {
    platform::SettingsStore store;
    store.OpenKey(kSettingsKey, true);
    session->Config.WriteSettingsValues(store);
  }
};

TSetup* setupInstance = nullptr;

void BM_SaveSettingsBatched(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    setupInstance->Change();
    state.ResumeTiming();
    setupInstance->SaveBatched();
  }
}
BENCHMARK(BM_SaveSettingsBatched)->Unit(benchmark::kMicrosecond);

void BM_WriteSettingsOneCallAtATime(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    setupInstance->Change();
    state.ResumeTiming();
    setupInstance->SaveOneAtATime();
  }
}
BENCHMARK(BM_WriteSettingsOneCallAtATime)->Unit(benchmark::kMicrosecond);

void BM_LoadSettings(benchmark::State& state) {
  for (auto _ : state) {
    TKestruneSession session(setupInstance->session->ProgramFolder());
    session.Config.ReadStartupSettings();
    session.Config.LoadSettings();
    benchmark::DoNotOptimize(session.Config.Settings.TrackPosContext);
  }
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

template <typename Fn>
double Microseconds(Fn&& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
}

void PrintRatio() {
  TSetup& setup = *setupInstance;
  double batched = 1e300;
  double single = 1e300;
  for (int round = 0; round < 20; ++round) {
    setup.Change();
    batched = std::min(batched, Microseconds([&] { setup.SaveBatched(); }));
    setup.Change();
    single = std::min(single, Microseconds([&] { setup.SaveOneAtATime(); }));
  }
  std::printf("\nSaving the settings (42 values, every one changed), fastest of 20 passes\n");
  std::printf("  SaveSettings, one update %.1f us   one store call a value %.1f us   ratio %.1f (target >= 10)\n",
              batched, single, single / batched);
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
