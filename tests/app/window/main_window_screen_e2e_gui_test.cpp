// The main window takes the screen as a person starts it: maximised by the
// window manager, and on a bare X server (`xvfb-run -a`, no window manager)
// given the screen's available area by itself.
#include <gtest/gtest.h>

#include <QScreen>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

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

// The window with the frame the window manager drew around it, as the display
// server holds them: its own rectangle grown by the frame's extents, which the
// window manager states on the window (none without a window manager).
// QWidget::frameGeometry() is not that: Qt keeps the frame's extents of the
// window's last move or resize, and openbox may state the extents of the
// maximised frame (no borders) only after the window took its maximised size,
// so that Qt still adds the borders of the normal frame.
QRect ServerFrame(TPerson& person, unsigned long long window) {
  const QRect client = ServerGeometry(person, window);
  const std::string text = person.Output("xprop", {"-id", std::to_string(window), "_NET_FRAME_EXTENTS"});
  int left = 0, right = 0, top = 0, bottom = 0;
  const size_t at = text.find('=');
  if (at != std::string::npos) std::sscanf(text.c_str() + at + 1, "%d , %d , %d , %d", &left, &right, &top, &bottom);
  return client.adjusted(-left, -top, right, bottom);
}

// Waits until the display server holds the window's frame on `area`; the
// frame it holds then, or after `timeout`.
QRect WaitForServerFrame(TPerson& person, unsigned long long window, const QRect& area,
                         std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  QRect frame = ServerFrame(person, window);
  while (frame != area && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    frame = ServerFrame(person, window);
  }
  return frame;
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
    EXPECT_EQ(WaitForServerFrame(person, id, available), available);
    // Once the window has looked whether something maximised it, it still
    // takes the area: a window manager's maximise is not undone, and its
    // state on the display server says maximised.
    EXPECT_TRUE(person.WaitFor([&] { return window.ScreenChecked(); }));
    person.WaitForIdle(window);
    EXPECT_EQ(ServerFrame(person, id), available);
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
