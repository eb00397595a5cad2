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

#include "app/window/kestrune_main.h"
#include "app/window/run_kestrune.h"
#include "tests/app/loopback_search.h"
#include "tests/app/window/program_copy.h"

namespace kestrune {
namespace {

constexpr int kItems = 30;

TEST(MainWindowSearch, AQueryTypedIntoTheBoxReachesTheDocumentsAndTheMap) {
  test::LoopbackHttpServer server;
  test::RouteLoopbackEngine(server, kItems);
  const std::string base = server.Url("");
  test::TCopiedProgram copied(base);

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
