// The search-scope explorer as a person opens it: from the open dialog's
// import button, on a 1280 x 800 screen with a window manager (and, for
// ScopeExplorerShownAgain, also on a bare X server), clicked and typed into
// with xdotool. The update server, which serves the scope page, is the tests'
// loopback server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <array>
#include <cstdio>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "app/connect_probe.h"
#include "app/scope_download.h"
#include "app/session_settings.h"
#include "app/window/kestrune_main.h"
#include "app/window/scope_explorer.h"
#include "platform/settings_store.h"
#include "ui/project_dialogs.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"

namespace kestrune {
namespace {

using test::Center;
using test::HttpReply;
using test::TPerson;

// The project files in a folder.
size_t Projects(const std::string& folder) {
  size_t count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) count += entry.path().extension() == ".kqp";
  return count;
}

// The scope page's colour, all over it.
constexpr char kPageColour[] = "#2e8b57";
bool IsPageColour(QRgb pixel) {
  return std::abs(qRed(pixel) - 0x2e) <= 8 && std::abs(qGreen(pixel) - 0x8b) <= 8 && std::abs(qBlue(pixel) - 0x57) <= 8;
}
bool IsNotBlack(QRgb pixel) { return qGray(pixel) > 40; }

// The share of the pixels of `area` (global) on the screen that `wanted`
// holds for.
double Share(const QImage& screen, const QRect& area, bool (*wanted)(QRgb)) {
  const QRect inside = area & screen.rect();
  if (inside.isEmpty()) return 0;
  int64_t hits = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) hits += wanted(screen.pixel(x, y)) ? 1 : 0;
  }
  return static_cast<double>(hits) / (static_cast<double>(inside.width()) * inside.height());
}

TEST(ScopeExplorerAsAPerson, OpensInFrontOfTheOpenDialogAndGoesBackToIt) {
  // Without keep-alive: the browser's idle connection would hold the server's
  // end for seconds.
  test::LoopbackHttpServer server{test::LoopbackHttpServer::Options{.keepAlive = false}};
  // One link over the whole page, in one colour.
  server.Route("/searchscopes/?lang=en",
               HttpReply::Html(std::string("<html><body style='margin:0;background:") + kPageColour +
                               "'><a href='/files/birds.kqp' "
                               "style='display:block;width:100%;height:2000px'>Birds</a></body></html>"));
  server.Route("/files/birds.kqp", HttpReply::Text("FPKP birds"));
  test::TCopiedProgram copied(server.Url(""));
  {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString(kUpdateServerValue, server.HostAndPort());
  }

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    TTntOpenProjectDialog* dialog = window.TntOpenProjectDialog1;
    const auto active = [&] { return person.OnUi([] { return QApplication::activeWindow(); }); };
    const auto openTheDialog = [&] {
      person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButton6); }));
      return person.WaitFor([&] { return dialog->isVisible() && QApplication::activeWindow() == dialog; });
    };
    const struct {
      const char* what;
      const char* close;  // how the person closes the explorer: a key, or "" for its Close button
    } cases[] = {{"closed by its button", ""}, {"closed by Esc", "Escape"}};
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      ASSERT_TRUE(openTheDialog());
      person.ClickAt(person.OnUi([&] { return Center(dialog->TEdDetails3); }));
      ASSERT_TRUE(person.WaitFor([] { return exploreform && exploreform->isVisible(); }));
      // In front, and the window the person types into.
      EXPECT_TRUE(person.WaitFor([] { return QApplication::activeWindow() == exploreform; }));
      // Drawn on the display server: the page in its colour, the bottom
      // panel and its Close button not black. (The server's own picture:
      // xwd -root puts windows of several visuals together itself and shows
      // this one, a GL window over the main window, black.)
      const auto [page, panel, closeButton] = person.OnUi([] {
        const auto global = [](const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
        return std::array{global(exploreform->EmbeddedWB1), global(exploreform->TntPanel1),
                          global(exploreform->ibitmapButton1)};
      });
      QImage screen;
      double pageShown = 0;
      for (int tries = 0; tries < 50 && pageShown < 0.9; ++tries) {
        if (tries > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        screen = person.Screen();
        pageShown = Share(screen, page, IsPageColour);
      }
      EXPECT_GE(pageShown, 0.9);
      EXPECT_GE(Share(screen, panel, IsNotBlack), 0.9);
      EXPECT_GE(Share(screen, closeButton, IsNotBlack), 0.6);
      // A click in the page downloads the project into the dialog's folder
      // (the page may take clicks only once it is painted).
      const std::string folder = person.OnUi([&] { return dialog->CurrentFolder().toStdString(); });
      const size_t before = Projects(folder);
      for (int tries = 0; tries < 20 && Projects(folder) == before; ++tries) {
        person.ClickAt(person.OnUi([] { return Center(exploreform->EmbeddedWB1); }));
        person.WaitFor([&] { return Projects(folder) > before; }, std::chrono::milliseconds(500));
      }
      EXPECT_EQ(Projects(folder), before + 1);
      EXPECT_TRUE(person.WaitFor([] { return !DownloadRunning.load(); }));
      if (*c.close) {
        person.Key(c.close);
      } else {
        person.ClickAt(person.OnUi([] { return Center(exploreform->ibitmapButton1); }));
      }
      ASSERT_TRUE(person.WaitFor([] { return !exploreform->isVisible(); }));
      // Back to the open dialog, which takes what the person types.
      EXPECT_TRUE(person.WaitFor([&] { return QApplication::activeWindow() == dialog; }));
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      ASSERT_NE(name, nullptr);
      person.OnUi([&] { name->clear(); });
      person.ClickAt(person.OnUi([&] { return Center(name); }));
      person.Type("typed.kqp");
      EXPECT_TRUE(person.WaitFor([&] { return name->text() == "typed.kqp"; })) << name->text().toStdString();
      person.Key("Escape");
      ASSERT_TRUE(person.WaitFor([&] { return !dialog->isVisible(); }));
      EXPECT_NE(active(), dialog);
    }
    // And it opens again.
    EXPECT_TRUE(openTheDialog());
    person.Key("Escape");
    EXPECT_TRUE(person.WaitFor([&] { return !dialog->isVisible(); }));
  });
  EXPECT_EQ(status, 0);
}

// The share of the pixels of `area` (global) whose colour on the screen is
// the one `drawn` (the widget's own picture of the area) has.
double SameShare(const QImage& screen, const QRect& area, const QImage& drawn) {
  const QRect inside = area & screen.rect();
  if (inside.isEmpty() || drawn.size() != area.size()) return 0;
  int64_t same = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      same += (screen.pixel(x, y) & 0xFFFFFF) == (drawn.pixel(x - area.left(), y - area.top()) & 0xFFFFFF);
    }
  }
  return static_cast<double>(same) / (static_cast<double>(area.width()) * area.height());
}

// A control of the open dialog as the screen shows it and as it draws itself.
struct TShownControl {
  std::string name;
  QRect area;  // global
  QImage drawn;
};

// The controls a person reads and uses in the open dialog, as they draw
// themselves now; on the user-interface thread.
std::vector<TShownControl> DialogControls(TTntOpenProjectDialog& dialog) {
  std::vector<TShownControl> controls;
  auto add = [&](const char* name, QWidget* control) {
    if (!control) {
      ADD_FAILURE() << "the open dialog has no " << name;
      return;
    }
    controls.push_back({name, QRect(control->mapToGlobal(QPoint(0, 0)), control->size()),
                        control->grab().toImage().convertToFormat(QImage::Format_RGB32)});
  };
  add("folder box", dialog.findChild<QComboBox*>("lookInCombo"));
  add("file name", dialog.findChild<QLineEdit*>("fileNameEdit"));
  add("file type", dialog.findChild<QComboBox*>("fileTypeCombo"));
  add("note", dialog.TEdDetails);
  auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
  add("Cancel", buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr);
  return controls;
}

// The window a window's WM_TRANSIENT_FOR names, and whether its _NET_WM_STATE
// says modal, as the display server holds them.
struct TWindowHints {
  unsigned long long transientFor = 0;
  bool modal = false;
};
TWindowHints Hints(TPerson& person, unsigned long long window) {
  const std::string text = person.Output("xprop", {"-id", std::to_string(window), "WM_TRANSIENT_FOR", "_NET_WM_STATE"});
  TWindowHints hints;
  const size_t id = text.find("window id # ");
  if (id != std::string::npos) hints.transientFor = std::strtoull(text.c_str() + id + 12, nullptr, 16);
  hints.modal = text.find("_NET_WM_STATE_MODAL") != std::string::npos;
  return hints;
}

// The explorer shown three times while the open dialog stays open: each time
// modal over the dialog and in front of it (what the person types and clicks
// in the dialog meanwhile does nothing), and the dialog drawn whole after
// each, also once it is opened again.
class ScopeExplorerShownAgain : public ::testing::TestWithParam<test::TDisplay> {};

TEST_P(ScopeExplorerShownAgain, ModalOverTheOpenDialogWhichIsDrawnWholeAfterEach) {
  const bool windowManager = GetParam().windowManager;
  test::LoopbackHttpServer server{test::LoopbackHttpServer::Options{.keepAlive = false}};
  server.Route("/searchscopes/?lang=en",
               HttpReply::Html(std::string("<html><body style='margin:0;background:") + kPageColour +
                               "'><div style='height:2000px'></div></body></html>"));
  test::TCopiedProgram copied(server.Url(""));
  {
    platform::SettingsStore store;
    ASSERT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString(kUpdateServerValue, server.HostAndPort());
  }

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    ASSERT_EQ(person.WindowManagerRunning(), windowManager);
    TTntOpenProjectDialog* dialog = window.TntOpenProjectDialog1;
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    const auto openTheDialog = [&] {
      person.ClickAt(person.OnUi([&] { return Center(window.IBitmapButton6); }));
      return person.WaitFor([&] {
        return dialog->isVisible() && dialog->windowHandle()->isExposed() && QApplication::activeWindow() == dialog;
      });
    };
    // The dialog's controls on the screen as they draw themselves: the ones
    // that differ (none once it is drawn whole).
    const auto notDrawn = [&] {
      std::string differ;
      person.WaitFor(
          [&] {
            const QImage screen =
                QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
            differ.clear();
            for (const TShownControl& control : DialogControls(*dialog)) {
              if (SameShare(screen, control.area, control.drawn) < 0.95) differ += control.name + "; ";
            }
            return differ.empty();
          },
          std::chrono::seconds(10));
      return differ;
    };
    ASSERT_TRUE(openTheDialog());
    EXPECT_EQ(notDrawn(), "");
    const unsigned long long dialogWindow = person.WindowId(dialog);

    const struct {
      const char* what;
      const char* close;  // a key, or "" for the explorer's Close button
    } showings[] = {{"first, closed by its button", ""}, {"second, closed by Esc", "Escape"},
                    {"third, closed by its button", ""}};
    for (const auto& showing : showings) {
      SCOPED_TRACE(showing.what);
      person.OnUi([&] { name->clear(); });
      person.ClickAt(person.OnUi([&] { return Center(dialog->TEdDetails3); }));
      ASSERT_TRUE(person.WaitFor([] {
        return exploreform && exploreform->isVisible() && exploreform->windowHandle() &&
               exploreform->windowHandle()->isExposed();
      }));
      // Modal, over the dialog, and the window the person types into.
      EXPECT_TRUE(person.WaitFor([] { return QGuiApplication::modalWindow() == exploreform->windowHandle(); }));
      EXPECT_TRUE(person.WaitFor([] { return QApplication::activeWindow() == exploreform; }));
      const unsigned long long explorerWindow = person.WindowId(exploreform);
      const TWindowHints hints = Hints(person, explorerWindow);
      EXPECT_TRUE(hints.modal);
      EXPECT_EQ(hints.transientFor, dialogWindow);
      // In front: its page shows in its place.
      const QRect page = person.OnUi(
          [] { return QRect(exploreform->EmbeddedWB1->mapToGlobal(QPoint(0, 0)), exploreform->EmbeddedWB1->size()); });
      EXPECT_TRUE(person.WaitFor([&] {
        const QImage screen =
            QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        return Share(screen, page, IsPageColour) >= 0.9;
      })) << "the page is not on the screen";

      // The person moves the explorer off the dialog's bottom, clicks the
      // dialog's file name and Cancel and types: nothing reaches the dialog.
      person.Command("xdotool", {"windowmove", std::to_string(explorerWindow), "0", "0"});
      person.Command("xdotool", {"windowsize", std::to_string(explorerWindow), "300", "200"});
      ASSERT_TRUE(person.WaitFor([] { return exploreform->frameGeometry().bottom() < 300; }));
      const auto [nameAt, cancelAt, explorerArea] = person.OnUi([&] {
        auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
        return std::tuple{Center(name), Center(buttons->button(QDialogButtonBox::Cancel)),
                          exploreform->frameGeometry()};
      });
      ASSERT_FALSE(explorerArea.contains(nameAt));
      ASSERT_FALSE(explorerArea.contains(cancelAt));
      person.ClickAt(nameAt);
      person.Type("blocked");
      person.ClickAt(cancelAt);
      if (*showing.close) {
        person.Key(showing.close);
      } else {
        person.ClickAt(person.OnUi([] { return Center(exploreform->ibitmapButton1); }));
      }
      ASSERT_TRUE(person.WaitFor([] { return !exploreform->isVisible(); }));
      person.OnUi([] { exploreform->resize(800, 600); });  // as it was made, for the next showing
      // What came before the close reached the program before it.
      EXPECT_EQ(person.OnUi([&] { return name->text(); }).toStdString(), "");
      EXPECT_TRUE(person.OnUi([&] { return dialog->isVisible(); }));

      // Back in the dialog, drawn whole, and it takes what the person types.
      EXPECT_TRUE(person.WaitFor([&] { return QApplication::activeWindow() == dialog; }));
      EXPECT_EQ(notDrawn(), "");
      person.ClickAt(person.OnUi([&] { return Center(name); }));
      person.Type("typed.kqp");
      EXPECT_TRUE(person.WaitFor([&] { return name->text() == "typed.kqp"; })) << name->text().toStdString();
    }
    // Opened again, drawn whole.
    person.Key("Escape");
    ASSERT_TRUE(person.WaitFor([&] { return !dialog->isVisible(); }));
    ASSERT_TRUE(openTheDialog());
    EXPECT_EQ(notDrawn(), "");
    person.Key("Escape");
    EXPECT_TRUE(person.WaitFor([&] { return !dialog->isVisible(); }));
  });
  EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(WithAWindowManager, ScopeExplorerShownAgain, ::testing::Values(test::kWithOpenbox),
                         test::DisplayName);
INSTANTIATE_TEST_SUITE_P(WithoutAWindowManager, ScopeExplorerShownAgain, ::testing::Values(test::kBareServer),
                         test::DisplayName);

}  // namespace
}  // namespace kestrune
