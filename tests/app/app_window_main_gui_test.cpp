// The entry of the session widgets' offscreen tests: the offscreen platform is
// chosen before the application object exists, so listing the tests at build
// time needs no display either. The browser control's Chromium runs offscreen
// too (without its sandbox when the tests run as root), and its start-up dump
// on stderr is silenced.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/window/embedded_browser.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES")) qputenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
  kestrune::DisableWebEngineSandboxForRoot();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
