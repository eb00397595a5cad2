// The entry of the session widgets' tests. The browser control's tests run on
// the virtual X display that tests/support/xvfb_run.sh starts for them; the
// dialogs' tests, and the listing of the tests at build time, run on the
// offscreen platform, chosen before the application object exists when no
// display and no platform are given. Chromium runs without its sandbox when
// the tests run as root, and its start-up dump on stderr is silenced.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/window/embedded_browser.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES")) qputenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
  kestrune::DisableWebEngineSandboxForRoot();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
