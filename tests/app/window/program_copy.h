// The built program folder copied for the end-to-end tests of the main
// window, its engines replaced by the loopback engine of a test server; and
// the program block run over it with a search typed into the query box.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>

#include "app/window/kestrune_main.h"
#include "app/window/run_kestrune.h"

#include "platform/settings_store.h"
#include "tests/app/loopback_search.h"
#include "tests/app/window/window_driver.h"

namespace kestrune::test {

// The built program folder without its executables and without the log of
// a run from the build folder, its engines replaced by the loopback engine at
// `base`. The log is no part of the program, and the executable's own test
// removes and writes it while other tests copy the folder beside it.
inline void CopyProgramFolder(const std::filesystem::path& to, const std::string& base) {
  const std::filesystem::path from = KESTRUNE_PROGRAM_DIR;
  std::filesystem::create_directories(to);
  for (const std::filesystem::directory_entry& entry : std::filesystem::recursive_directory_iterator(from)) {
    const std::filesystem::path relative = std::filesystem::relative(entry.path(), from);
    if (entry.is_directory()) {
      std::filesystem::create_directories(to / relative);
    } else if (entry.is_regular_file() && relative.parent_path() != "templates/web" &&
               relative != "kestrune" && relative != "ravelst" && relative != "kestrune.log") {
      std::filesystem::copy_file(entry.path(), to / relative);
    }
  }
  WriteEngineTemplate(to.string(), "loopback",
                      LoopbackEngineTemplate(base, LoopbackTemplateOptions().HostName("Loopback")));
}

// A copied program folder that the program block runs over: its home, the
// user's settings, data and cache folders in a temporary folder, and only
// the English dictionary active.
struct TCopiedProgram {
  explicit TCopiedProgram(const std::string& base)
      : program(std::filesystem::path(dir.Path()) / "kestrune"),
        home("KESTRUNE_HOME", program.string() + "/"),
        config("KESTRUNE_CONFIG_HOME", dir.Path() + "config/"),
        data("XDG_DATA_HOME", dir.Path() + "data"),
        cache("XDG_CACHE_HOME", dir.Path() + "cache") {
    CopyProgramFolder(program, base);
    platform::SettingsStore store;
    EXPECT_TRUE(store.OpenKey("SOFTWARE\\Kestrune Inc\\Kestrune Search", true));
    store.WriteString("Dictionaries", "9");
  }

  TempDir dir;
  std::filesystem::path program;
  ScopedEnv home, config, data, cache;
};

// Runs the program block in this process: once its window is shown, a
// person (window_driver.h) clicks into the query box, types `query` and
// presses Enter; when the run is over, `check` looks at the window (on the
// user-interface thread), which then closes: it asks whether to save the
// searched project, and the person answers "No". With
// KESTRUNE_WRITE_IMAGES=<folder> the window is written there as `image`
// after `paintMs`. The program block's status, 99 when it hung.
inline int RunProgramWithSearch(const char* query, const std::function<void(TFKestruneMain&)>& check,
                                const char* image, int paintMs) {
  bool searched = false;
  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    TKestruneSession& session = window.Session();
    person.ClickAt(person.OnUi([&] { return Center(window.IComboBox1); }));
    person.Type(query);
    person.Key("Return");
    searched = person.WaitFor([&] { return session.Project.StepNumber > 0 && !session.SearchRunning(); },
                              std::chrono::seconds(30));
    EXPECT_TRUE(searched);
    person.OnUi([&] { check(window); });
    const QString images = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
    if (!images.isEmpty()) {
      person.OnUi([&] {
        QTest::qWait(paintMs);
        EXPECT_TRUE(window.grab().save(images + "/" + image));
      });
    }
    EXPECT_TRUE(person.CloseWindow(window));
  });
  EXPECT_TRUE(searched);
  return status;
}

// Whether the window's map shows the dictionary word `word`.
inline bool MapShows(TFKestruneMain& window, std::u16string_view word) {
  TWordVariant hit;
  if (window.Session().WordDictionary.FindFirst(std::u16string(word), hit, 0) <= 0) return false;
  for (const TKey& key : window.DrawAndEventMap1->KeyArray()) {
    if (key.Id == hit.WordIndex) return true;
  }
  return false;
}

}  // namespace kestrune::test
