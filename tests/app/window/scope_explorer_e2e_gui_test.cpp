// The search-scope explorer as a person opens it: from the open dialog's
// import button, on a 1280 x 800 screen with a window manager, clicked and
// typed into with xdotool. The update server, which serves the scope page,
// is the tests' loopback server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

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

}  // namespace
}  // namespace kestrune
