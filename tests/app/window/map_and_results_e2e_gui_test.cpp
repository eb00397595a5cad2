// The map and the result page from end to end, in this process: the program
// block runs over a copy of the built program folder whose only engine is the
// loopback engine of a test server; a query is searched; the page the browser
// control shows holds the titles of the documents listed on it (read from its
// document by script) and the map holds the query word.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the window is also written there as
// map_and_results.png (for docs/).
#include <gtest/gtest.h>

#include <QTest>
#include <QVariant>

#include "app/window/kestrune_main.h"
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

  bool queryOnMap = false;
  std::vector<std::string> missing;  // titles of listed documents not on the page
  int32_t listed = 0;
  auto check = [&](TFKestruneMain& window) {
    TKestruneSession& session = window.Session();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.Results.PageNotWritten; }, 20000));
    listed = static_cast<int32_t>(session.Results.PageList.size());
    const QString text = PageText(*window.EmbeddedWB1);
    for (int32_t e = 0; e < std::min(listed, 10); ++e) {
      const std::u16string& title = session.Results.PageList[static_cast<size_t>(e)].Title;
      if (!text.contains(QString::fromStdU16String(title))) missing.push_back(platform::Utf16ToUtf8(title));
    }
    queryOnMap = test::MapShows(window, u"weather");
  };
  // The map's animation and the page painted before the picture.
  EXPECT_EQ(test::RunProgramWithSearch("weather", check, "map_and_results.png", 700), 0);

  EXPECT_EQ(listed, kItems);
  EXPECT_TRUE(missing.empty()) << testing::PrintToString(missing);
  EXPECT_TRUE(queryOnMap);
}

}  // namespace
}  // namespace kestrune
