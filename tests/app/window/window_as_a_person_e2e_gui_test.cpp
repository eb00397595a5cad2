// The main window as a person uses it, through the display server: on a
// 1280 x 800 screen with a window manager, typed into and clicked with
// xdotool, looked at in the display server's own screenshot. The loopback
// engine answers by the query's word: its second page is silent, an error, cut
// off or held until Stop is pressed, and its first an error for one word.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QSplitter>
#include <set>
#include <string>

#include "app/engine_web_adapter.h"
#include "app/window/kestrune_main.h"
#include "core/message_strings.h"
#include "tests/app/loopback_search.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"
#include "tests/support/reply_gate.h"
#include "ui/question_forms.h"

namespace kestrune {
namespace {

using test::Center;
using test::HttpReply;
using test::HttpRequestRecord;
using test::TPerson;

constexpr int kItems = 30;  // two pages: 20 and 10
const char* const kPlaces[] = {"coast", "mountains", "valley", "harbour", "island"};
const char* const kKinds[] = {"rain", "storm", "wind", "snow", "sunshine", "fog"};

// Reports on the query word: every title and snippet names it with a place
// and a kind of weather beside it, so that the map has words to show.
std::vector<test::ResultItem> Reports(const std::string& base, const std::string& word, int first, int count) {
  std::vector<test::ResultItem> items;
  for (int n = first; n < first + count; ++n) {
    const std::string place = kPlaces[n % 5];
    const std::string kind = kKinds[(n / 5) % 6];
    items.push_back({base + "/" + word + std::to_string(n) + ".html", word + ": " + kind + " on the " + place,
                     place + " " + word + " brings " + kind + " and cold nights"});
  }
  return items;
}

// The loopback engine: the query's word chooses how its pages go.
//   "silent": the second page never answers; "broken": the second page is an
//   error (500); "cut": the second page breaks off; "stopped": the second
//   page waits at the gate; "failing": the first page is an error; any other
//   word: both pages.
void RouteEngine(test::LoopbackHttpServer& server, test::ReplyGate& gate) {
  const std::string base = server.Url("");
  server.Route("/search", [base, &gate](const HttpRequestRecord& r) {
    const size_t q = r.query.find("q=");
    const std::string word = r.query.substr(q + 2, r.query.find('&', q) - q - 2);
    const bool second = r.query.find("start=") != std::string::npos;
    HttpReply page = HttpReply::Html(
        test::WriteResultPage(Reports(base, word, second ? 21 : 1, second ? kItems - 20 : 20)));
    if (word == "failing" && !second) return HttpReply::Html("<html><body>Internal error</body></html>", 500);
    if (!second) return page;
    if (word == "silent") return HttpReply::Silent();
    if (word == "broken") return HttpReply::Html(test::WriteResultPage(Reports(base, word, 50, 10)), 500);
    if (word == "cut") return page.WithFraming(test::BodyFraming::kShort, 100000);
    if (word == "stopped") return gate.Hold(page)(r);
    return page;
  });
}

// Searches the word as a person does: "New query" unless it is the first
// search, a click into the box, the word typed, Enter.
void Search(TPerson& person, TFKestruneMain& window, const std::string& word, bool first, const char* enter = "Return") {
  if (!first) {
    person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButtonNew); }));
    // The search before is no saved project: the save question comes first,
    // answered No.
    const auto question = [] { return dynamic_cast<TQuestion*>(QApplication::activeModalWidget()); };
    EXPECT_TRUE(person.WaitFor([&] { return question() != nullptr; }));
    person.ClickAt(person.OnUi([&] { return question() ? Center(question()->TntButton3) : QPoint(); }));
    EXPECT_TRUE(person.WaitFor([&] { return window.IComboBox1->isVisible() && window.Session().Project.Documents.empty(); }));
  }
  person.ClickAt(person.OnUi([&] { return Center(window.IComboBox1); }));
  person.Type(word);
  person.Key(enter);
}

// The global centre of a map word that is not a query word: the word named,
// or else one of the places and kinds not in `taken` (it joins them, its text
// in `name`); a null point when there is none.
QPoint MapWord(TPerson& person, TFKestruneMain& window, std::set<std::u16string>& taken, std::u16string* name) {
  return person.OnUi([&] {
    const std::set<std::u16string> names = {u"coast", u"mountains", u"valley", u"harbour", u"island",
                                            u"rain", u"storm", u"wind", u"snow", u"sunshine", u"fog"};
    const std::u16string wanted = *name;
    for (const TKey& key : window.DrawAndEventMap1->KeyArray()) {
      if ((key.Flags & (KF_QUERY | KF_HIDDEN)) != 0) continue;
      if (wanted.empty() ? !names.count(key.Name) || taken.count(key.Name) : key.Name != wanted) continue;
      taken.insert(key.Name);
      *name = key.Name;
      return window.DrawAndEventMap1->mapToGlobal(
          QPoint(static_cast<int>(key.Left) + key.TextWidth / 2, static_cast<int>(key.Top) + key.TextHeight / 2));
    }
    return QPoint();
  });
}

// Whether the word is among the step's keys of a kind.
bool InKind(TFKestruneMain& window, std::u16string_view word, int32_t kind) {
  TKestruneSession& s = window.Session();
  TWordVariant hit;
  if (s.WordDictionary.FindFirst(std::u16string(word), hit, 0) <= 0) return false;
  for (const TControlKeyCell& cell : s.ContentMap.Steps().GetCurrent()[static_cast<size_t>(kind)]) {
    if (cell.Key.Id == hit.WordIndex) return true;
  }
  return false;
}

// A person's right-click on a map word: the mouse rests on the word until
// the map shows its hover, then the right button.
void HoverThenRightClick(TPerson& person, TFKestruneMain& window, QPoint at) {
  person.MoveTo(at);
  EXPECT_TRUE(person.WaitFor([&] { return window.Session().ContentMap.HoveredKey() >= 0; }, std::chrono::seconds(5)));
  person.WaitForIdle(window);
  person.ClickAt(at, 3);
}

// A person excludes a map word not taken yet: a right-click on it, then
// "Exclude from results" in the map's menu.
void ExcludeAMapWord(TPerson& person, TFKestruneMain& window, std::set<std::u16string>& taken) {
  std::u16string word;
  const QPoint at = MapWord(person, window, taken, &word);
  ASSERT_FALSE(at.isNull());
  HoverThenRightClick(person, window, at);
  ASSERT_TRUE(person.WaitFor([&] { return window.PopupMenu1->isVisible() && window.pmExclude->isVisible(); }));
  person.ClickAt(person.OnUi(
      [&] { return window.PopupMenu1->mapToGlobal(window.PopupMenu1->actionGeometry(window.pmExclude).center()); }));
  EXPECT_TRUE(person.WaitFor([&] { return InKind(window, word, kKindExcluded); })) << platform::Utf16ToUtf8(word);
}

// A place beside the map where the mouse ends no hover and opens nothing.
QPoint Aside(TFKestruneMain& window) {
  return window.Label1->mapToGlobal(QPoint(window.Label1->width() / 2, window.Label1->height() / 2));
}

TEST(WindowAsAPerson, SearchTheMapsMenusAndItsPicture) {
  test::LoopbackHttpServer server({test::LoopbackHttpServer::Transport::kRawSocket, true});
  test::ReplyGate gate;
  RouteEngine(server, gate);
  test::TCopiedProgram copied(server.Url(""));

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    TKestruneSession& s = window.Session();
    // The window fits the smallest screen.
    const QSize least = person.OnUi([&] { return window.minimumSizeHint().expandedTo(window.minimumSize()); });
    EXPECT_LE(least.width(), 1280);
    EXPECT_LE(least.height(), 800);
    EXPECT_FALSE(person.OnUi([&] { return window.IBitmapButtonStop->isEnabled(); }));

    std::set<std::u16string> taken;
    const struct {
      const char* name;
      std::function<void()> act;
      std::function<void()> check;
    } scenarios[] = {
        {"a query typed and Enter searches",
         [&] { Search(person, window, "weather", true); },
         [&] {
           EXPECT_TRUE(person.WaitFor([&] { return s.Project.StepNumber == 1 && !s.SearchRunning(); }));
           EXPECT_EQ(person.OnUi([&] { return s.Run.EngineObject->QueryCounter(); }), 1);  // one Enter, one search
           EXPECT_EQ(person.OnUi([&] { return s.Project.Documents.size(); }), static_cast<size_t>(kItems));
         }},
        {"a right-click on a word, then Exclude, excludes it",
         [&] { ExcludeAMapWord(person, window, taken); },
         [] {}},
        {"and so a second word",
         [&] { ExcludeAMapWord(person, window, taken); },
         [] {}},
        {"a left click after a right-click adds the word",
         [&] {
           std::u16string word;
           const QPoint at = MapWord(person, window, taken, &word);
           ASSERT_FALSE(at.isNull());
           HoverThenRightClick(person, window, at);
           ASSERT_TRUE(person.WaitFor([&] { return window.PopupMenu1->isVisible(); }));
           person.Key("Escape");
           ASSERT_TRUE(person.WaitFor([&] { return !window.PopupMenu1->isVisible(); }));
           person.WaitForIdle(window);
           const QPoint again = MapWord(person, window, taken, &word);  // where it stands now
           ASSERT_FALSE(again.isNull());
           person.ClickAt(again);
           EXPECT_TRUE(person.WaitFor([&] { return InKind(window, word, kKindQuery); }))
               << platform::Utf16ToUtf8(word);
         },
         [] {}},
        {"the map made wider and narrower again shows the map",
         [&] {
           // The handle between the map and the page, dragged right and back.
           const QPoint handle = person.OnUi([&] {
             auto* splitter = window.findChild<QSplitter*>("Splitter1");
             return Center(splitter->handle(1));
           });
           // Right by 120 pixels in four moves, then back.
           for (const int direction : {1, -1}) {
             const QPoint start = handle + QPoint(direction > 0 ? 0 : 120, 0);
             person.MoveTo(start);
             person.Command("xdotool", {"mousedown", "1"});
             for (int step = 1; step <= 4; ++step) person.MoveTo(start + QPoint(direction * 30 * step, 0));
             person.Command("xdotool", {"mouseup", "1"});
             EXPECT_TRUE(person.WaitForIdle(window));
           }
         },
         [] {}},
        {"Undo gives the step before",
         [&] {
           const int32_t step = person.OnUi([&] { return s.ContentMap.Steps().CurrentStep(); });
           person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButtonUndo); }));
           EXPECT_TRUE(person.WaitFor([&] { return s.ContentMap.Steps().CurrentStep() == step - 1; }));
         },
         [] {}},
        {"a right-click on the page gives the program's page menu",
         [&] {
           person.MoveTo(Aside(window));
           person.WaitForIdle(window);
           // A word of the first snippet: "cold". The page Undo asked for may still be loading: ask
           // again until the loaded page answers.
           QPoint at;
           for (int attempt = 0; attempt < 200 && at.isNull(); ++attempt) {
           auto promise = std::make_shared<std::promise<QPoint>>();
           std::future<QPoint> future = promise->get_future();
           person.OnUi([&] {
             window.EmbeddedWB1->page()->runJavaScript(
                 "(function () {"
                 " if (!document.body || document.readyState !== 'complete') return null;"
                 " var walk = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT), n;"
                 " while ((n = walk.nextNode())) {"
                 "  var i = n.data.indexOf('cold');"
                 "  if (i < 0) continue;"
                 "  var r = document.createRange(); r.setStart(n, i); r.setEnd(n, i + 4);"
                 "  var b = r.getBoundingClientRect();"
                 "  return [Math.round(b.left + b.width / 2), Math.round(b.top + b.height / 2)];"
                 " }"
                 " return null; })()",
                 [promise, &window](const QVariant& value) {
                   const QVariantList xy = value.toList();
                   promise->set_value(xy.size() == 2 ? window.EmbeddedWB1->mapToGlobal(
                                                           QPoint(xy[0].toInt(), xy[1].toInt()))
                                                     : QPoint());
                 });
           });
           ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
           at = future.get();
           }
           ASSERT_FALSE(at.isNull());
           person.ClickAt(at, 3);
           EXPECT_TRUE(person.WaitFor([&] { return window.PopupMenuPage->isVisible(); }));
           const std::vector<QMenu*> menus = person.ShownMenus();
           EXPECT_EQ(menus, std::vector<QMenu*>{window.PopupMenuPage});  // never the browser's own menu
           EXPECT_EQ(person.OnUi([&] { return s.Commands.PagePopupWord; }), u"cold");
           person.Key("Escape");
           EXPECT_TRUE(person.WaitFor([&] { return !window.PopupMenuPage->isVisible(); }));
         },
         [] {}},
    };
    for (const auto& scenario : scenarios) {
      SCOPED_TRACE(scenario.name);
      scenario.act();
      scenario.check();
      // What the screen shows of the map is what the view drew.
      person.MoveTo(Aside(window));
      EXPECT_EQ(person.WaitForTheMapOnTheScreen(window), 0);
      if (::testing::Test::HasFatalFailure()) return;
    }
    // The searched and refined project is not saved: the close asks, and
    // "No" closes the window.
    EXPECT_TRUE(person.CloseWindow(window));
  });
  EXPECT_EQ(status, 0);
}

TEST(WindowAsAPerson, EachFailureSaysWhatHappenedAndKeepsTheEarlierPages) {
  const test::ScopedEnv timeout(kReceiveTimeoutVariable, "2000");
  test::LoopbackHttpServer server({test::LoopbackHttpServer::Transport::kRawSocket, true});
  test::ReplyGate gate;
  RouteEngine(server, gate);
  test::TCopiedProgram copied(server.Url(""));
  const std::u16string early = u" " + MessageStrings.smSearchEndedEarly;

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    TKestruneSession& s = window.Session();
    const struct {
      const char* word;
      size_t documents;
      std::u16string notice;
    } cases[] = {
        {"silent", 20, MessageStrings.smEngineTimedOut + early},
        {"broken", 20, u"The search engine answered with an error (HTTP status 500)." + early},
        {"cut", 20, MessageStrings.smEngineAnswerCut + early},
        {"stopped", 20, MessageStrings.smSearchStopped + early},
        {"failing", 0, u"The search engine answered with an error (HTTP status 500)."},
    };
    bool first = true;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.word);
      const size_t requests = server.RequestCount();
      Search(person, window, c.word, first, first ? "KP_Enter" : "Return");
      first = false;
      if (std::string(c.word) == "stopped") {
        // Stop, pressed while the second page is outstanding.
        ASSERT_TRUE(gate.WaitForHeld(1));
        EXPECT_TRUE(person.OnUi([&] { return window.IBitmapButtonStop->isEnabled(); }));
        person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButtonStop); }));
      }
      ASSERT_TRUE(person.WaitFor([&] { return server.RequestCount() > requests && !s.SearchRunning(); },
                                 std::chrono::seconds(30)));
      EXPECT_EQ(person.OnUi([&] { return s.Project.Documents.size(); }), c.documents);
      EXPECT_EQ(person.OnUi([&] { return s.Results.PageResults.SearchNotice; }), c.notice);
      EXPECT_TRUE(person.WaitForPageText(window, QString::fromStdU16String(c.notice)))
          << person.PageText(window).toStdString();
      // The map still shows the query's word.
      EXPECT_TRUE(person.OnUi([&] { return test::MapShows(window, platform::Utf8ToUtf16(c.word)); }));
      EXPECT_FALSE(person.OnUi([&] { return window.IBitmapButtonStop->isEnabled(); }));
    }
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace kestrune
