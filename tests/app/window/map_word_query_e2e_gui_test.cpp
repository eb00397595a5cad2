// The word map of a query of three words, as a person meets it through the
// display server: the loopback engine lists pages on sourdough baking that
// seldom name all three words together; the person types the query into the
// box over the map and presses Enter, and the map the screen shows holds
// words besides the query's own.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/window/kestrune_main.h"
#include "tests/app/loopback_search.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"

namespace kestrune {
namespace {

using test::Center;
using test::TPerson;

TEST(MapWordQuery, AQueryOfThreeWordsTypedOverTheMapShowsWordsBesideItsOwn) {
  test::LoopbackHttpServer server({test::LoopbackHttpServer::Transport::kRawSocket, true});
  test::RouteLoopbackItems(server, test::TopicItems("bread", server.Url("")));
  test::TCopiedProgram copied(server.Url(""));

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    TKestruneSession& s = window.Session();
    person.ClickAt(person.OnUi([&] { return Center(window.IComboBox1); }));
    person.Type("sourdough starter hydration");
    person.Key("Return");
    ASSERT_TRUE(person.WaitFor([&] { return s.Project.StepNumber == 1 && !s.SearchRunning(); },
                               std::chrono::seconds(30)));
    EXPECT_EQ(person.OnUi([&] { return s.Project.Documents.size(); }), 22u);

    // The mouse beside the map, so that no hover changes it; the screen shows
    // the map the view drew.
    person.MoveTo(person.OnUi([&] { return Center(window.Label1); }));
    EXPECT_EQ(person.WaitForTheMapOnTheScreen(window), 0);

    // The keys the map view drew: the three query words and the words on
    // the map beside them, each inside the map.
    const auto [queryWords, others] = person.OnUi([&] {
      std::pair<std::vector<std::u16string>, std::vector<std::u16string>> words;
      const QSize size = window.DrawAndEventMap1->size();
      for (const TKey& key : window.DrawAndEventMap1->KeyArray()) {
        if ((key.Flags & KF_HIDDEN) != 0 || key.TextWidth <= 0) continue;
        if (key.Left < 0 || key.Top < 0 || key.Left + static_cast<float>(key.TextWidth) > size.width() ||
            key.Top + static_cast<float>(key.TextHeight) > size.height()) {
          continue;
        }
        ((key.Flags & KF_QUERY) != 0 ? words.first : words.second).push_back(key.Name);
      }
      return words;
    });
    EXPECT_EQ(queryWords.size(), 3u);
    EXPECT_GE(others.size(), static_cast<size_t>(TCustomContentMap2::kMinWordCount))
        << testing::PrintToString(others.size());
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace kestrune
