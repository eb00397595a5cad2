// Renders the sample result page with QtWebEngine and saves a picture of it:
//   kestrune_page_renderer --data <program data folder> --out <file.png>
//                          [--width 1000] [--height 1000]
// The page is built from <data>/templates/en/ (templates and images); the
// sample engine's template goes into a private program folder. Needs a
// display (run it under xvfb-run); as root the browser's sandbox is off.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>
#include <cstdio>
#include <string>

#include "tools/page_renderer/sample_page.h"

namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// A grab of a page that never drew is one colour.
bool ShowsSomething(const QImage& image) {
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 3) {
    for (int x = 0; x < image.width(); x += 3) {
      if (image.pixel(x, y) != first) return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data, out;
  int width = 1000, height = 1000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--data") data = argv[i + 1];
    else if (option == "--out") out = argv[i + 1];
    else if (option == "--width") width = std::atoi(argv[i + 1]);
    else if (option == "--height") height = std::atoi(argv[i + 1]);
  }
  if (data.empty() || out.empty() || width < 100 || height < 100) {
    std::fprintf(stderr, "usage: kestrune_page_renderer --data <folder> --out <file.png> [--width n] [--height n]\n");
    return 2;
  }
  if (!HasDisplay()) {
    std::fprintf(stderr, "kestrune_page_renderer: no display (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM); "
                         "run it under xvfb-run -a\n");
    return 2;
  }
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);

  QTemporaryDir home;
  setenv("KESTRUNE_HOME", home.path().toUtf8().constData(), 1);
  const std::string folder = QDir(QString::fromStdString(data)).absoluteFilePath("templates/en").toStdString() + "/";
  const std::u16string page = kestrune::tools::BuildSamplePage(folder);
  if (page.empty()) {
    std::fprintf(stderr, "kestrune_page_renderer: no page from %s\n", folder.c_str());
    return 1;
  }

  QApplication app(argc, argv);
  QWebEngineView view;
  view.resize(width, height);
  view.show();
  int status = 1;
  QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) {
    if (!ok) {
      std::fprintf(stderr, "kestrune_page_renderer: the page did not load\n");
      app.exit(1);
      return;
    }
    // Let the images arrive and the page paint.
    QTimer::singleShot(1500, [&] {
      const QImage image = view.grab().toImage();
      if (!ShowsSomething(image)) {
        std::fprintf(stderr, "kestrune_page_renderer: the page shows nothing\n");
      } else if (!image.save(QString::fromStdString(out), "PNG")) {
        std::fprintf(stderr, "kestrune_page_renderer: cannot write %s\n", out.c_str());
      } else {
        status = 0;
      }
      app.exit(status);
    });
  });
  QTimer::singleShot(60000, [&] {
    std::fprintf(stderr, "kestrune_page_renderer: timed out\n");
    app.exit(1);
  });
  view.setHtml(QString::fromStdU16String(page), QUrl::fromLocalFile(QString::fromStdString(folder)));
  return app.exec() == 0 ? status : 1;
}
