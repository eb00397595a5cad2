// The main window's controls as a person meets them on a 1280 x 800 screen
// with a window manager (window_driver.h): the toolbar on its plate, the
// track bars' thumbs dragged, keys typed while a question is up, and the
// update form.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the start window is also written there
// as start_window.png (for docs/).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLayout>
#include <QMessageBox>
#include <QTest>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/connect_probe.h"
#include "app/update_check.h"
#include "app/window/kestrune_main.h"
#include "core/message_strings.h"
#include "platform/settings_store.h"
#include "tests/app/loopback_search.h"
#include "tests/app/update_info_text.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"
#include "ui/question_forms.h"
#include "ui/update_form.h"

namespace kestrune {
namespace {

using test::Center;
using test::HttpReply;
using test::TPerson;

// Results about rivers, each naming a few of many other words, so that the
// map has more words than it shows.
std::vector<test::ResultItem> RiverItems(const std::string& base) {
  static const char* const kWords[] = {
      "delta",   "estuary", "meander", "rapids",  "canyon", "valley",  "bridge",  "ferry",   "salmon",  "trout",
      "heron",   "willow",  "reed",    "mill",    "weir",   "lock",    "barge",   "harbour", "flood",   "drought",
      "glacier", "spring",  "source",  "mouth",   "bank",   "gravel",  "silt",    "marsh",   "otter",   "beaver",
      "kayak",   "rowing",  "angler",  "current", "eddy",   "waterfall", "gorge", "plain",   "lagoon",  "island"};
  constexpr int kCount = static_cast<int>(std::size(kWords));
  std::vector<test::ResultItem> items;
  for (int n = 0; n < 30; ++n) {
    auto word = [&](int k) { return std::string(kWords[(n * 3 + k * 7) % kCount]); };
    items.push_back({base + "/river" + std::to_string(n) + ".html", "river " + word(0) + " " + word(1),
                     "the river " + word(2) + " " + word(3) + " near the " + word(4) + " and " + word(5)});
  }
  return items;
}

// Searches "river" as a person does and waits for the map at rest.
void SearchRiver(TPerson& person, TFKestruneMain& window) {
  person.ClickAt(person.OnUi([&] { return Center(window.IComboBox1); }));
  person.Type("river");
  person.Key("Return");
  ASSERT_TRUE(person.WaitFor([&] { return window.Session().Project.StepNumber > 0 && !window.Session().SearchRunning(); },
                             std::chrono::seconds(30)));
  person.WaitForIdle(window);
}

// The words the map shows besides the query's.
int MapWords(TFKestruneMain& window) {
  const auto& keys = window.DrawAndEventMap1->KeyArray();
  return static_cast<int>(
      std::count_if(keys.begin(), keys.end(), [](const TKey& k) { return (k.Flags & (KF_HIDDEN | KF_QUERY)) == 0; }));
}

// The places of the toolbar's controls (window co-ordinates of the toolbar).
std::vector<QRect> ToolbarPlaces(TFKestruneMain& window) {
  std::vector<QRect> places;
  QLayout* tools = window.PanelToolbar->layout();
  for (int i = 0; i < tools->count(); ++i) {
    if (!tools->itemAt(i)->isEmpty()) places.push_back(tools->itemAt(i)->geometry());
  }
  return places;
}

// The lines the places stand in: centres more than 4 pixels apart begin
// another line.
int Lines(std::vector<QRect> places) {
  std::vector<int> centres;
  for (const QRect& r : places) centres.push_back(r.center().y());
  std::sort(centres.begin(), centres.end());
  int lines = centres.empty() ? 0 : 1;
  for (size_t i = 1; i < centres.size(); ++i) lines += centres[i] - centres[i - 1] > 4;
  return lines;
}

TEST(WindowControls, TheToolbarTakesTwoRowsOnItsPlateAndKeepsItsLayout) {
  test::LoopbackHttpServer server;
  test::RouteLoopbackItems(server, RiverItems(server.Url("")));
  test::TCopiedProgram copied(server.Url(""));

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    const std::vector<QRect> before = person.OnUi([&] { return ToolbarPlaces(window); });
    EXPECT_EQ(Lines(before), 2);
    const int width = person.OnUi([&] { return window.PanelToolbar->width(); });
    EXPECT_EQ(width, 1280);
    for (const QRect& r : before) EXPECT_LE(r.right(), width - 1);

    // Every caption fits its button, beside its picture, with room to spare.
    person.OnUi([&] {
      for (IBitmapButton* button : window.PanelToolbar->findChildren<IBitmapButton*>()) {
        if (button->Caption().isEmpty()) continue;
        QFont font = SkinTextFont(button->font());
        font.setBold((button->StringFontStyle() & FontStyleBold) != 0);
        const int text = QFontMetrics(font).horizontalAdvance(button->Caption());
        EXPECT_LE(button->OffsetTextX() + text + 6, button->width()) << button->objectName().toStdString();
      }
    });

    // The plate on the screen: the toolbar's free places are dark, so that
    // the white logo and captions stand out.
    const QImage screen = person.Screen();
    const std::vector<QPoint> free = person.OnUi([&] {
      std::vector<QPoint> points;
      const QPoint origin = window.PanelToolbar->mapToGlobal(QPoint(0, 0));
      for (const int y : {before.front().center().y(), before.back().center().y()}) {
        for (int x = 2; x < window.PanelToolbar->width() - 2; x += 7) {
          const bool covered = std::any_of(before.begin(), before.end(),
                                           [&](const QRect& r) { return r.adjusted(-3, -3, 3, 3).contains(x, y); });
          if (!covered) points.push_back(origin + QPoint(x, y));
        }
      }
      return points;
    });
    EXPECT_GE(free.size(), 4u);
    for (const QPoint& at : free) EXPECT_LT(qGray(screen.pixel(at)), 110) << at.x() << "," << at.y();

    // "Excluded words" shows: nothing moves.
    person.OnUi([&] { window.SetVisible(TMainControl::IBitmapButton4, true); });
    person.WaitFor([&] { return window.IBitmapButton4->isVisible(); });
    person.OnUi([] { QApplication::processEvents(); });
    EXPECT_EQ(person.OnUi([&] { return ToolbarPlaces(window); }), before);
    person.OnUi([&] { window.SetVisible(TMainControl::IBitmapButton4, false); });

    const QString images = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
    if (!images.isEmpty()) {
      person.MoveTo(person.OnUi([&] { return window.Label1->mapToGlobal(QPoint(2, 2)); }));
      person.OnUi([&] {
        window.EmbeddedWB1->WaitForComplete(10000);  // the start page
        QTest::qWait(500);
        EXPECT_TRUE(window.grab().save(images + "/start_window.png"));
      });
    }
  });
  EXPECT_EQ(status, 0);
}

// After a search: dragging a thumb is a press and a release on its track
// bar (Words rebuilds the map with as many words as it asks, any/all the map
// and the page); keys typed while a question is up stay in it, also with the
// mouse over the map, and its first focus is the default answer, never
// "Don't ask me again".
TEST(WindowControls, ThumbsRebuildAndQuestionsKeepTheirKeys) {
  test::LoopbackHttpServer server;
  test::RouteLoopbackItems(server, RiverItems(server.Url("")));
  test::TCopiedProgram copied(server.Url(""));

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    SearchRiver(person, window);
    TKestruneSession& s = window.Session();
    const int shown = person.OnUi([&] { return MapWords(window); });
    ASSERT_GT(shown, kMinTrackPosContext);
    int pages = 0;
    person.OnUi([&] {
      QObject::connect(window.EmbeddedWB1, &QWebEngineView::loadFinished, window.EmbeddedWB1, [&] { ++pages; });
    });
    const struct {
      const char* name;
      IBitmapTrackBar* bar;
      bool toMax;
      std::function<bool()> rebuilt;  // on the user-interface thread
    } drags[] = {
        {"Words to its minimum", window.TrackBar, false,
         [&] { return s.ContentMap.WordCount() == kMinTrackPosContext && MapWords(window) == kMinTrackPosContext; }},
        {"Words to its maximum", window.TrackBar, true,
         [&] { return s.ContentMap.WordCount() == kMaxTrackPosContext && MapWords(window) > shown; }},
        {"any/all to any", window.TrackBar3, false, [&] { return s.Config.MatchSetting == 0 && pages > 0; }},
    };
    for (const auto& c : drags) {
      SCOPED_TRACE(c.name);
      person.OnUi([&] { pages = 0; });
      const QPoint thumb = person.OnUi([&] { return Center(c.bar->ITrack()); });
      const QPoint end = person.OnUi(
          [&] { return c.bar->mapToGlobal(QPoint(c.toMax ? c.bar->width() + 10 : -10, c.bar->height() / 2)); });
      person.MoveTo(thumb);
      person.Command("xdotool", {"mousedown", "1"});
      for (int step = 1; step <= 4; ++step) person.MoveTo(thumb + (end - thumb) * step / 4);
      person.Command("xdotool", {"mouseup", "1"});
      EXPECT_TRUE(person.WaitFor(c.rebuilt, std::chrono::seconds(10)));
      person.WaitForIdle(window);
    }

    ASSERT_FALSE(person.OnUi([&] { return window.IComboBox1->isVisible(); }));
    int32_t answer = -1;
    bool dontAsk = true;
    const struct {
      const char* name;
      std::function<void()> ask;  // on the user-interface thread
      std::function<QWidget*()> defaultButton;
      int32_t closed;  // the answer of Esc
      bool dontAskAfter;  // the box given ticked: the save question shows it so, the other clears it
    } questions[] = {
        {"the save question", [&] { answer = window.AskSaveQuestion(dontAsk); },
         [] { return Question ? static_cast<QWidget*>(Question->TntButton1) : nullptr; }, platform::kIdCancel, true},
        {"the missing-dictionary question", [&] { answer = window.AskNoDictionary(u"No dictionary", dontAsk); },
         [] { return FMessNoDict ? static_cast<QWidget*>(FMessNoDict->TBtnYes) : nullptr; }, platform::kIdNo,
         false},
    };
    for (const auto& c : questions) {
      SCOPED_TRACE(c.name);
      answer = -1;
      dontAsk = true;
      // The mouse over the map, away from the question in the screen's middle.
      person.MoveTo(person.OnUi([&] { return window.DrawAndEventMap1->mapToGlobal(QPoint(40, 40)); }));
      person.OnUi([&] { QMetaObject::invokeMethod(qApp, c.ask, Qt::QueuedConnection); });
      ASSERT_TRUE(person.WaitFor([&] {
        QWidget* modal = QApplication::activeModalWidget();
        return modal && QApplication::activeWindow() == modal && modal->focusWidget();
      }));
      EXPECT_EQ(person.OnUi([] { return QApplication::focusWidget(); }), person.OnUi(c.defaultButton));
      person.Type("ab1");
      person.WaitForIdle(window);
      EXPECT_FALSE(person.OnUi([&] { return window.IComboBox1->isVisible(); }));
      person.Key("Escape");
      ASSERT_TRUE(person.WaitFor([&] { return answer != -1; }));
      EXPECT_EQ(answer, c.closed);
      EXPECT_EQ(dontAsk, c.dontAskAfter);
    }
  });
  EXPECT_EQ(status, 0);
}

// The update form keeps the caption's engine; a downloaded installer takes
// the update line off the start page before the window closes, also when
// the close is cancelled at the save question.
TEST(WindowControls, TheUpdateFormKeepsTheCaptionAndADownloadEndsTheOffer) {
  test::LoopbackHttpServer server;
  test::RouteLoopbackItems(server, RiverItems(server.Url("")));
  const std::string installer(4096, 'i');
  server.Route("/news.asp?lang=en", HttpReply::Text("<?xml version=\"1.0\"?><rss><channel><item><title>Spring news"
                                                    "</title></item></channel></rss>"));
  server.Route(kUpdateInfoPath, HttpReply::Text(test::UpdateInfoText(
                                    {test::Release("1.0.1.0", "1.0.0.0", "Faster", "patch.zip",
                                                   std::to_string(installer.size()))})));
  server.Route("/download/update/patch.zip", HttpReply::Text(installer));
  test::TCopiedProgram copied(server.Url(""));
  const test::ScopedEnv noProxy("no_proxy", "*");
  {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString(kUpdateServerValue, server.HostAndPort());
  }
  const QString offer = QString::fromStdU16String(MessageStrings.smUpdateString.substr(0, 20));

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    TKestruneSession& s = window.Session();
    ASSERT_TRUE(person.WaitForPageText(window, offer, std::chrono::seconds(20)));
    const std::string caption = person.OnUi([&] { return window.windowTitle().toStdString(); });
    EXPECT_TRUE(caption.size() > 8 && caption.substr(caption.size() - 8) == "Loopback") << caption;
    auto form = [] { return dynamic_cast<TFUpdate*>(QApplication::activeModalWidget()); };

    // The check's message that an update was found: the form; Esc closes it.
    person.OnUi([&] { QCoreApplication::postEvent(&window, new QEvent(kUpdateFoundEvent)); });
    ASSERT_TRUE(person.WaitFor([&] { return form() && QApplication::activeWindow() == form(); }));
    person.Key("Escape");
    ASSERT_TRUE(person.WaitFor([&] { return !form(); }));
    EXPECT_EQ(person.OnUi([&] { return window.windowTitle().toStdString(); }), caption);

    // Unsaved work, then Update, Yes, the download, and Cancel at the save
    // question of the close that follows.
    person.OnUi([&] {
      s.ProjectFile.Modified = true;
      s.Config.Settings.askforsave = true;
      window.IBitmapButton7->setEnabled(true);
      QCoreApplication::postEvent(&window, new QEvent(kUpdateFoundEvent));
    });
    ASSERT_TRUE(person.WaitFor([&] { return form() && QApplication::activeWindow() == form(); }));
    person.ClickAt(person.OnUi([&] { return Center(form()->BUpdate); }));
    ASSERT_TRUE(person.WaitFor([&] {
      TFUpdate* f = form();
      return f == nullptr && QApplication::activeModalWidget() &&
             dynamic_cast<QMessageBox*>(QApplication::activeModalWidget());
    }));
    person.ClickAt(person.OnUi([&] {
      auto* box = dynamic_cast<QMessageBox*>(QApplication::activeModalWidget());
      return box && box->button(QMessageBox::Yes) ? Center(box->button(QMessageBox::Yes)) : QPoint();
    }));
    const auto question = [] { return dynamic_cast<TQuestion*>(QApplication::activeModalWidget()); };
    ASSERT_TRUE(person.WaitFor([&] { return question() != nullptr; }, std::chrono::seconds(20)));
    EXPECT_FALSE(person.OnUi([&] { return s.Start.InstallerPath.empty(); }));
    person.ClickAt(person.OnUi([&] { return question() ? Center(question()->TntButton2) : QPoint(); }));
    ASSERT_TRUE(person.WaitFor([&] { return question() == nullptr; }));
    EXPECT_FALSE(person.OnUi([&] { return window.Closed(); }));
    QString page;  // the start page written again, without the offer
    for (int attempt = 0; attempt < 50 && (page = person.PageText(window)).contains(offer); ++attempt) {
      person.WaitFor([] { return false; }, std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(page.contains(offer)) << page.toStdString();
    EXPECT_TRUE(page.contains("Spring news")) << page.toStdString();
    // Nothing more: the installer is not handed on, the close asks nothing.
    person.OnUi([&] {
      s.Start.InstallerPath.clear();
      s.ProjectFile.Modified = false;
    });
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace kestrune
