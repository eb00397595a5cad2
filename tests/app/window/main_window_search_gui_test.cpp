// The first search from end to end, in this process: the program block runs
// over a copy of the built program folder whose only engine is the loopback
// engine of a test server; a query is typed into the query box and Enter
// pressed; once the search's run is over, the documents are those of the
// server and the map holds the query word.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the window is also written there as
// main_window_search.png (for docs/).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/window/kestrune_main.h"
#include "app/window/run_kestrune.h"
#include "platform/settings_store.h"
#include "tests/app/loopback_search.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr int kItems = 30;

// The built program folder without its executables, its engines replaced by
// the loopback engine at `base`.
void CopyProgramFolder(const fs::path& to, const std::string& base) {
  const fs::path from = KESTRUNE_PROGRAM_DIR;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
    const fs::path relative = fs::relative(entry.path(), from);
    if (entry.is_directory()) {
      fs::create_directories(to / relative);
    } else if (entry.is_regular_file() && relative.parent_path() != "templates/web" &&
               relative != "kestrune" && relative != "ravelst") {
      fs::copy_file(entry.path(), to / relative);
    }
  }
  test::WriteEngineTemplate(to.string(), "loopback",
                            test::LoopbackEngineTemplate(base, test::LoopbackTemplateOptions().HostName("Loopback")));
}

TEST(MainWindowSearch, AQueryTypedIntoTheBoxReachesTheDocumentsAndTheMap) {
  test::LoopbackHttpServer server;
  test::RouteLoopbackEngine(server, kItems);
  const std::string base = server.Url("");
  test::TempDir dir;
  const fs::path program = fs::path(dir.Path()) / "kestrune";
  CopyProgramFolder(program, base);
  test::ScopedEnv home("KESTRUNE_HOME", program.string() + "/");
  test::ScopedEnv config("KESTRUNE_CONFIG_HOME", dir.Path() + "config/");
  test::ScopedEnv data("XDG_DATA_HOME", dir.Path() + "data");
  test::ScopedEnv cache("XDG_CACHE_HOME", dir.Path() + "cache");
  {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey("SOFTWARE\\Kestrune Inc\\Kestrune Search", true));
    store.WriteString("Dictionaries", "9");  // the English dictionary only
  }

  bool searched = false, queryOnMap = false;
  int32_t steps = 0;
  std::vector<std::string> urls;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    TFKestruneMain* window = FKestruneMain;
    if (!window || !window->Shown() || searched) return;
    searched = true;
    driver.stop();
    TKestruneSession& session = window->Session();
    QTest::keyClicks(window->IComboBox1->lineEdit(), "query");
    QTest::keyClick(window->IComboBox1->lineEdit(), Qt::Key_Return);  // returns once the run is over
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.SearchRunning(); }, 30000));
    steps = session.StepNumber;
    for (const TMetaSearchList& d : session.Documents) urls.push_back(d.Url);
    TWordVariant hit;
    const int32_t query = session.WordDictionary.FindFirst(u"query", hit, 0) > 0 ? hit.WordIndex : -1;
    for (const TKey& key : window->DrawAndEventMap1->KeyArray()) queryOnMap = queryOnMap || key.Id == query;
    window->EmbeddedWB1->WaitForComplete(10000);
    const QString images = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
    if (!images.isEmpty()) {
      QTest::qWait(500);  // the page painted
      EXPECT_TRUE(window->grab().save(images + "/main_window_search.png"));
    }
    window->close();
  });
  driver.start(50);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  watchdog.start(120000);
  EXPECT_EQ(RunKestrune(*qApp, {}), 0);

  ASSERT_TRUE(searched);
  EXPECT_EQ(steps, 1);  // one Enter, one search
  ASSERT_EQ(urls.size(), static_cast<size_t>(kItems));
  for (int n = 1; n <= kItems; ++n) EXPECT_EQ(urls[static_cast<size_t>(n - 1)], base + "/doc" + std::to_string(n) + ".html");
  EXPECT_TRUE(queryOnMap);
}

}  // namespace
}  // namespace kestrune
