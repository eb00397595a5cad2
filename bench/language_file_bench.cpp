// Applying an interface-language file to the live forms: a 600-line file
// (captions and hints, list items and tab texts) applied to 14 offscreen forms
// of 50 widgets each, as the program applies its language at start and on a
// switch. Beside it, in the same run, Qt's own INI reader (QSettings in INI
// format) reads the same file and sets the same properties, finding the forms
// by objectName and the widgets with findChild. Both read the file from disk
// on every pass (its time stamp is moved between passes, so QSettings cannot
// answer from its cache). Target: at most 20 ms a pass. After the Google
// Benchmark runs both are timed again, fastest of 20, and the ratio printed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/lng_file.h"
#include "app/window/lng_widget_target.h"
#include "platform/text.h"

using namespace kestrune;

namespace {

constexpr int kForms = 14;
constexpr int kWidgets = 50;
constexpr int kLines = 600;

// The forms, and the file naming their widgets: every widget gets a caption
// and, on every other form, a hint; combo boxes get an item and tab widgets a
// tab text.
struct TSetup {
  std::vector<std::unique_ptr<QWidget>> forms;
  std::string path;
  int lines = 0;

  TSetup() {
    for (int f = 0; f < kForms; ++f) {
      auto form = std::make_unique<QWidget>();
      form->setObjectName(QString("FForm%1").arg(f));
      for (int w = 0; w < kWidgets; ++w) {
        QWidget* widget = nullptr;
        switch (w % 5) {
          case 0: widget = new QLabel(form.get()); break;
          case 1: widget = new QPushButton(form.get()); break;
          case 2: widget = new QCheckBox(form.get()); break;
          case 3: {
            auto* combo = new QComboBox(form.get());
            combo->addItems({"a", "b", "c"});
            widget = combo;
            break;
          }
          default: {
            auto* tabs = new QTabWidget(form.get());
            tabs->addTab(new QWidget, "a");
            tabs->addTab(new QWidget, "b");
            widget = tabs;
            break;
          }
        }
        widget->setObjectName(QString("IControl%1").arg(w));
      }
      form->show();
      forms.push_back(std::move(form));
    }
    std::string text = "[Header]\r\nlanguage=English\r\nlangID=9\r\nCodePage=65001\r\n[Language]\r\n";
    for (int f = 0; f < kForms && lines < kLines; ++f) {
      const std::string form = "FForm" + std::to_string(f);
      text += form + ".Caption=\"Form number " + std::to_string(f) + "\"\r\n";
      ++lines;
      for (int w = 0; w < kWidgets && lines < kLines; ++w) {
        const std::string prefix = form + ".IControl" + std::to_string(w) + ".";
        std::string property = "Caption";
        if (w % 5 == 3) property = "Items[1]";
        if (w % 5 == 4) property = "Tabs[1]";
        if (w % 5 == 2) property = "Hint";
        text += prefix + property + "=\"Text of control " + std::to_string(w) + " on form " + std::to_string(f) +
                "\"\r\n";
        ++lines;
      }
    }
    text += "[Messages]\r\nsmSearch=\"Searching...\"\r\n";
    path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/kestrune_language_bench.lng";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), file);
      std::fclose(file);
    }
  }
  ~TSetup() { std::remove(path.c_str()); }

  // Moves the file's time stamp, so a reader that caches by it reads again.
  void Touch() {
    static long seconds = 1000000000;
    const timespec times[2] = {{++seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  }
};

// Made by main after the application object and gone before it.
TSetup* setupInstance = nullptr;

TSetup& Setup() { return *setupInstance; }

void ApplyOurs(TSetup& setup) {
  TLngWidgetTarget target;
  ApplyLngFile(platform::Utf8ToUtf16(setup.path), &target, nullptr, nullptr);
}

// The reference: QSettings reads the file, and each key of [Language] is set
// through findChild and the Qt property the name maps to.
void ApplyQSettings(TSetup& setup) {
  QSettings settings(QString::fromStdString(setup.path), QSettings::IniFormat);
  settings.beginGroup("Language");
  const QWidgetList forms = QApplication::topLevelWidgets();
  for (const QString& key : settings.childKeys()) {
    const QStringList names = key.split('.');
    if (names.size() < 2) continue;
    QWidget* form = nullptr;
    for (QWidget* candidate : forms) {
      if (candidate->objectName() == names.front()) form = candidate;
    }
    if (!form) continue;
    QWidget* target = names.size() >= 3 ? form->findChild<QWidget*>(names[names.size() - 2]) : form;
    if (!target) continue;
    const QString value = settings.value(key).toString();
    const QString& property = names.back();
    if (property == "Items[1]") {
      if (auto* combo = qobject_cast<QComboBox*>(target)) combo->setItemText(1, value);
    } else if (property == "Tabs[1]") {
      if (auto* tabs = qobject_cast<QTabWidget*>(target)) tabs->setTabText(1, value);
    } else if (property == "Hint") {
      target->setToolTip(value);
    } else if (property == "Caption") {
      target->setProperty(target->isWindow() ? "windowTitle" : "text", value);
    }
  }
}

void BM_ApplyLngFile(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) {
    state.PauseTiming();
    setup.Touch();
    state.ResumeTiming();
    ApplyOurs(setup);
  }
  state.counters["lines"] = setup.lines;
}
BENCHMARK(BM_ApplyLngFile)->Unit(benchmark::kMillisecond);

void BM_QSettingsIni(benchmark::State& state) {
  TSetup& setup = Setup();
  for (auto _ : state) {
    state.PauseTiming();
    setup.Touch();
    state.ResumeTiming();
    ApplyQSettings(setup);
  }
  state.counters["lines"] = setup.lines;
}
BENCHMARK(BM_QSettingsIni)->Unit(benchmark::kMillisecond);

template <typename Fn>
double Milliseconds(Fn&& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void PrintRatio() {
  TSetup& setup = Setup();
  double ours = 1e300;
  double reference = 1e300;
  for (int round = 0; round < 20; ++round) {
    setup.Touch();
    ours = std::min(ours, Milliseconds([&] { ApplyOurs(setup); }));
    setup.Touch();
    reference = std::min(reference, Milliseconds([&] { ApplyQSettings(setup); }));
  }
  std::printf("\nLanguage file of %d lines on %d forms of %d widgets, fastest of 20 passes\n", setup.lines, kForms,
              kWidgets);
  std::printf("  ApplyLngFile %.2f ms (target 20.00)   QSettings INI + findChild %.2f ms   ratio (ours / Qt) %.2f\n",
              ours, reference, ours / reference);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
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
