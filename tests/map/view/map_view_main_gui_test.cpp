// The entry of the map view's offscreen tests: the offscreen platform is
// chosen before the application object exists, so listing the tests at build
// time needs no display either.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
