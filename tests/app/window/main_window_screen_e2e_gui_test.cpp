// The main window takes the screen as a person starts it: maximised by the
// window manager, and on a bare X server (`xvfb-run -a`, no window manager)
// given the screen's available area by itself.
#include <gtest/gtest.h>

#include <QScreen>
#include <QWindow>
#include <string>

#include "app/window/kestrune_main.h"
#include "tests/app/window/program_copy.h"
#include "tests/app/window/window_driver.h"

namespace kestrune {
namespace {

using test::TPerson;

// The size and place of a window as the display server holds them, through
// xwininfo.
QRect ServerGeometry(TPerson& person, unsigned long long window) {
  const std::string text = person.Output("xwininfo", {"-id", std::to_string(window)});
  auto number = [&](const char* label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::stoi(text.substr(at + std::string(label).size()));
  };
  return QRect(number("Absolute upper-left X:"), number("Absolute upper-left Y:"), number("Width:"), number("Height:"));
}

class MainWindowOnTheScreen : public ::testing::TestWithParam<test::TDisplay> {};

TEST_P(MainWindowOnTheScreen, TakesTheScreensAvailableArea) {
  const bool windowManager = GetParam().windowManager;
  test::LoopbackHttpServer server;
  test::TCopiedProgram copied(server.Url(""));

  const int status = TPerson::Run([&](TPerson& person, TFKestruneMain& window) {
    ASSERT_EQ(person.WindowManagerRunning(), windowManager);
    const QRect available = person.OnUi([&] { return window.screen()->availableGeometry(); });
    ASSERT_EQ(available.size(), QSize(1280, 800));
    const unsigned long long id = person.WindowId(&window);
    EXPECT_TRUE(person.WaitFor([&] { return window.frameGeometry() == available; }));
    // Once the window has looked whether something maximised it, it still
    // takes the area: a window manager's maximise is not undone, and its
    // state on the display server says maximised.
    EXPECT_TRUE(person.WaitFor([&] { return window.ScreenChecked(); }));
    person.WaitForIdle(window);
    EXPECT_EQ(person.OnUi([&] { return window.frameGeometry(); }), available);
    if (windowManager) {
      const std::string state = person.Output("xprop", {"-id", std::to_string(id), "_NET_WM_STATE"});
      EXPECT_NE(state.find("_NET_WM_STATE_MAXIMIZED_VERT"), std::string::npos) << state;
      EXPECT_NE(state.find("_NET_WM_STATE_MAXIMIZED_HORZ"), std::string::npos) << state;
    } else {
      // Nothing frames it: the window itself has the area.
      EXPECT_EQ(ServerGeometry(person, id), available);
    }
    // The toolbar across the whole width.
    EXPECT_EQ(person.OnUi([&] { return window.PanelToolbar->width(); }), available.width());
  });
  EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(WithAWindowManager, MainWindowOnTheScreen, ::testing::Values(test::kWithOpenbox),
                         test::DisplayName);
INSTANTIATE_TEST_SUITE_P(WithoutAWindowManager, MainWindowOnTheScreen, ::testing::Values(test::kBareServer),
                         test::DisplayName);

}  // namespace
}  // namespace kestrune
