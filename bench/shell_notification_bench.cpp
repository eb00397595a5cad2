// What the change watcher of the project manager does each time a watched
// folder changes: read the folder's listing (name, kind, device, inode and
// mode of every entry) and compare it with the last one. The folder holds
// 10,000 files, and between the last listing and now 100 files were made,
// 100 deleted and 100 renamed. Beside it, in the same run, a plain QDir
// listing of the same folder (QDir::entryInfoList, every entry, the
// directory's default order). Target: at most 2x the listing. After the
// Google Benchmark runs both are timed again, fastest of 20, and the ratio
// printed.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/folder_changes.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

constexpr int kEntries = 10000;
constexpr int kChanged = 100;

struct TSetup {
  std::u16string folder;
  QString qfolder;
  TFolderListing before;
  size_t reports = 0;

  TSetup() {
    folder = platform::CreateTempFolder("kestrune-notification-bench-");
    qfolder = QString::fromStdU16String(folder);
    const std::string path = platform::Utf16ToUtf8(folder);
    auto name = [](int n) {
      char text[32];
      std::snprintf(text, sizeof text, "project-%05d.kqp", n);
      return std::string(text);
    };
    for (int n = 0; n < kEntries; ++n) {
      if (FILE* file = std::fopen((path + name(n)).c_str(), "wb")) std::fclose(file);
    }
    ReadFolderListing(folder, before);
    // The change: made, deleted, renamed (made first, so that no new file
    // takes a deleted one's inode and reads as a rename).
    for (int n = 0; n < kChanged; ++n) {
      if (FILE* file = std::fopen((path + "new-" + name(n)).c_str(), "wb")) std::fclose(file);
    }
    for (int n = 0; n < kChanged; ++n) {
      std::filesystem::remove(path + name(n));
      std::filesystem::rename(path + name(kChanged + n), path + "renamed-" + name(n));
    }
    std::vector<TShellReport> found;
    TFolderListing now;
    ReadFolderListing(folder, now);
    CompareFolderListings(folder, before, now, found);
    reports = found.size();
  }
  ~TSetup() {
    std::error_code ignored;
    std::filesystem::remove_all(platform::Utf16ToUtf8(folder), ignored);
  }
};

TSetup* setupInstance = nullptr;
TSetup& Setup() { return *setupInstance; }

size_t CompareOurs(TSetup& setup) {
  TFolderListing now;
  ReadFolderListing(setup.folder, now);
  std::vector<TShellReport> reports;
  CompareFolderListings(setup.folder, setup.before, now, reports);
  return reports.size();
}

size_t ListQDir(TSetup& setup) {
  return QDir(setup.qfolder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size();
}

void BM_CompareChangedFolder(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) benchmark::DoNotOptimize(CompareOurs(setup));
  state.counters["reports"] = static_cast<double>(setup.reports);
}
BENCHMARK(BM_CompareChangedFolder)->Unit(benchmark::kMillisecond);

void BM_QDirEntryInfoList(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) benchmark::DoNotOptimize(ListQDir(setup));
}
BENCHMARK(BM_QDirEntryInfoList)->Unit(benchmark::kMillisecond);

template <typename Fn>
double Milliseconds(Fn&& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void PrintRatio() {
  TSetup& setup = Setup();
  double ours = 1e300, reference = 1e300;
  for (int round = 0; round < 20; ++round) {
    ours = std::min(ours, Milliseconds([&] { CompareOurs(setup); }));
    reference = std::min(reference, Milliseconds([&] { ListQDir(setup); }));
  }
  std::printf("\nA folder of %d files, %d made, %d deleted and %d renamed (%zu reports), fastest of 20 passes\n",
              kEntries, kChanged, kChanged, kChanged, setup.reports);
  std::printf("  listing + comparison %.2f ms   QDir::entryInfoList %.2f ms   ratio (ours / QDir) %.2f (target 2.00)\n",
              ours, reference, ours / reference);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
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
