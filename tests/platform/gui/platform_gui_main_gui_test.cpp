// The entry of the user interface's platform services' offscreen tests: the
// offscreen platform is chosen before the application object exists, so
// listing the tests at build time needs no display either. The cursor the
// tests load from the resources is the map view's own (its add-text cursor),
// so the map view's resources are linked in and registered here.
#include <gtest/gtest.h>

#include <QGuiApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  Q_INIT_RESOURCE(map_view);
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
