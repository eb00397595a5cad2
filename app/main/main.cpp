// kestrune: the main program. Without a display it says what it needs and
// ends with status 2 before the application object exists (Qt would abort);
// otherwise it runs the program block (app/window/run_kestrune.h). Run as
// root, it turns the browser control's sandbox off first (Chromium refuses to
// start as root with it).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/window/embedded_browser.h"
#include "app/window/run_kestrune.h"
#include "core/log_file.h"

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// The application object, with the handler of exceptions that reach the
// event loop: they are logged at [Except] and end the program.
class TKestruneApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      if (kestrune::ApplicationExceptionHandler) {
        kestrune::ApplicationExceptionHandler(error);
      } else {
        kestrune::LogFile.Log(error.what(), 3);
      }
      std::fprintf(stderr, "kestrune: %s\n", error.what());
      std::_Exit(1);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (!Set("QT_QPA_PLATFORM") && !Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
    std::fprintf(stderr,
                 "kestrune needs a graphical display: set DISPLAY, or start it under a virtual one "
                 "(xvfb-run -a %s)\n",
                 argc > 0 ? argv[0] : "kestrune");
    return 2;
  }
  kestrune::DisableWebEngineSandboxForRoot();
  TKestruneApplication app(argc, argv);
  std::vector<std::u16string> arguments;
  const QStringList list = QCoreApplication::arguments();
  for (qsizetype i = 1; i < list.size(); ++i) arguments.push_back(list[i].toStdU16String());
  return kestrune::RunKestrune(app, arguments);
}
