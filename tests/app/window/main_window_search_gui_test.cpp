// The first search from end to end, in this process: the program block runs
// over a copy of the built program folder whose only engine is the loopback
// engine of a test server; a query is typed into the query box and Enter
// pressed; once the search's run is over, the documents are those of the
// server and the map holds the query word.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the window is also written there as
// main_window_search.png (for docs/).
#include <gtest/gtest.h>


#include "app/window/kestrune_main.h"
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

  bool queryOnMap = false;
  int32_t steps = 0;
  std::vector<std::string> urls;
  auto check = [&](TFKestruneMain& window) {
    TKestruneSession& session = window.Session();
    steps = session.Project.StepNumber;
    for (const TMetaSearchList& d : session.Project.Documents) urls.push_back(d.Url);
    queryOnMap = test::MapShows(window, u"query");
    window.EmbeddedWB1->WaitForComplete(10000);
  };
  EXPECT_EQ(test::RunProgramWithSearch("query", check, "main_window_search.png", 500), 0);

  EXPECT_EQ(steps, 1);  // one Enter, one search
  ASSERT_EQ(urls.size(), static_cast<size_t>(kItems));
  for (int n = 1; n <= kItems; ++n) EXPECT_EQ(urls[static_cast<size_t>(n - 1)], base + "/doc" + std::to_string(n) + ".html");
  EXPECT_TRUE(queryOnMap);
}

}  // namespace
}  // namespace kestrune
