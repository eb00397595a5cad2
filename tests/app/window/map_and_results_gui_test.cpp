// The map and the result page from end to end, in this process: the program
// block runs over a copy of the built program folder whose only engine is the
// loopback engine of a test server; a query is searched; the page the browser
// control shows holds the titles of the documents listed on it (read from its
// document by script) and the map holds the query word.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the window is also written there as
// map_and_results.png (for docs/).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVariant>

#include "app/window/kestrune_main.h"
#include "app/window/run_kestrune.h"
#include "tests/app/loopback_search.h"
#include "tests/app/window/program_copy.h"

namespace kestrune {
namespace {

constexpr int kItems = 25;

// Weather reports: every title and snippet names the query word "weather"
// with the place and the weather's kind at most two words from it (the network
// relates only such neighbours), so that the map has words to show.
std::vector<test::ResultItem> WeatherItems(const std::string& base) {
  const char* places[] = {"coast", "mountains", "valley", "harbour", "island"};
  const char* kinds[] = {"rain", "storm", "wind", "snow", "sunshine"};
  std::vector<test::ResultItem> items;
  for (int n = 1; n <= kItems; ++n) {
    const std::string place = places[n % 5];
    const std::string kind = kinds[(n / 5) % 5];
    items.push_back({base + "/weather" + std::to_string(n) + ".html", "Weather: " + kind + " on the " + place,
                     place + " weather brings " + kind + " and cold nights"});
  }
  return items;
}

QString PageText(TEmbeddedBrowser& browser) {
  QString text;
  bool done = false;
  browser.page()->runJavaScript("document.body ? document.body.innerText : ''", [&](const QVariant& value) {
    text = value.toString();
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
  return text;
}

TEST(MapAndResults, TheSearchedPageHoldsTheTitlesAndTheMapTheQueryWord) {
  test::LoopbackHttpServer server;
  test::RouteLoopbackItems(server, WeatherItems(server.Url("")));
  test::TCopiedProgram copied(server.Url(""));

  bool searched = false, queryOnMap = false;
  std::vector<std::string> missing;  // titles of listed documents not on the page
  int32_t listed = 0;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    TFKestruneMain* window = FKestruneMain;
    if (!window || !window->Shown() || searched) return;
    searched = true;
    driver.stop();
    TKestruneSession& session = window->Session();
    QTest::keyClicks(window->IComboBox1->lineEdit(), "weather");
    QTest::keyClick(window->IComboBox1->lineEdit(), Qt::Key_Return);  // returns once the run is over
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.SearchRunning(); }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.PageNotWritten; }, 20000));
    listed = static_cast<int32_t>(session.PageList.size());
    const QString text = PageText(*window->EmbeddedWB1);
    for (int32_t e = 0; e < std::min(listed, 10); ++e) {
      const std::u16string& title = session.PageList[static_cast<size_t>(e)].front().Title;
      if (!text.contains(QString::fromStdU16String(title))) missing.push_back(platform::Utf16ToUtf8(title));
    }
    TWordVariant hit;
    const int32_t query = session.WordDictionary.FindFirst(u"weather", hit, 0) > 0 ? hit.WordIndex : -1;
    for (const TKey& key : window->DrawAndEventMap1->KeyArray()) queryOnMap = queryOnMap || key.Id == query;

    const QString images = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
    if (!images.isEmpty()) {
      QTest::qWait(700);  // the map's animation and the page painted
      EXPECT_TRUE(window->grab().save(images + "/map_and_results.png"));
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
  EXPECT_EQ(listed, kItems);
  EXPECT_TRUE(missing.empty()) << testing::PrintToString(missing);
  EXPECT_TRUE(queryOnMap);
}

}  // namespace
}  // namespace kestrune
