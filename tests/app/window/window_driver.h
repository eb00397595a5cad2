// The driver of the end-to-end tests of the main window as a person uses it.
// The program block runs over a copied program folder (program_copy.h) on the
// test's thread, which is the user-interface thread; a "person" runs on a
// thread of its own: it types and clicks with xdotool through the display
// server (tests/support/xvfb_openbox_run.sh gives the test a 1280 x 800
// virtual screen with openbox, or without a window manager for the suites
// instantiated as WithoutAWindowManager: see TDisplay), looks at the window
// through calls queued to
// the user-interface thread (OnUi), waits for what it expects (WaitFor: the
// condition is tested on the user-interface thread, also while that thread
// sits in a search's or a menu's own event loop), and takes the display
// server's own picture of the screen (QScreen::grabWindow(0) on xcb), never
// the widgets' own rendering.
//
//   test::TPerson::Run([&](test::TPerson& person, TFKestruneMain& window) {
//     person.ClickAt(person.OnUi([&] { return Center(window.IComboBox1); }));
//     person.Type("weather");
//     person.Key("Return");
//     EXPECT_TRUE(person.WaitFor([&] { return !window.Session().SearchRunning(); }));
//   });
//
// Run returns when the person is done and the window has closed (the person
// closes it, and answers "No" when the window asks whether to save the
// project: CloseWindow); a program block that hangs ends after two minutes
// with status 99.
#pragma once

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMetaObject>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "app/window/kestrune_main.h"
#include "app/window/run_kestrune.h"
#include "ui/question_forms.h"

extern char** environ;

// A rectangle in a test's message.
inline void PrintTo(const QRect& r, std::ostream* out) {
  *out << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace kestrune::test {

// The display a parameterised test runs on: with a window manager (the
// suite instantiated as WithAWindowManager) or a bare X server (as
// WithoutAWindowManager, which tests/CMakeLists.txt starts so).
struct TDisplay {
  const char* name;
  bool windowManager;
};
inline constexpr TDisplay kWithOpenbox{"openbox", true};
inline constexpr TDisplay kBareServer{"bare", false};
inline std::string DisplayName(const ::testing::TestParamInfo<TDisplay>& info) { return info.param.name; }
inline void PrintTo(const TDisplay& display, std::ostream* out) { *out << display.name; }

// The global centre of a widget.
inline QPoint Center(const QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }

class TPerson {
 public:
  using TScenario = std::function<void(TPerson& person, TFKestruneMain& window)>;

  // Runs the program block with `scenario` as the person; the block's status.
  static int Run(const TScenario& scenario) {
    TPerson person;
    std::thread thread([&] {
      TFKestruneMain* window = nullptr;
      if (person.WaitFor(
              [&] { return (window = FKestruneMain) != nullptr && window->Shown() && window->ScreenChecked(); },
              std::chrono::seconds(60))) {
        person.WaitForIdle(*window);
        // Without a window manager the program gives its window the focus
        // itself, and nothing activates windows.
        if (person.WindowManagerRunning()) {
          person.Command("xdotool", {"windowactivate", "--sync", std::to_string(person.WindowId(window))});
        }
        scenario(person, *window);
        person.CloseWindow(*window);
      } else {
        ADD_FAILURE() << "the main window did not show";
        person.OnUi([] {
          if (FKestruneMain) FKestruneMain->close();
        });
      }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(120000);
    const int status = RunKestrune(*qApp, {});
    thread.join();
    return status;
  }

  // Runs `call` on the user-interface thread and hands back its result.
  template <class F>
  auto OnUi(F call) -> decltype(call()) {
    using R = decltype(call());
    if constexpr (std::is_void_v<R>) {
      QMetaObject::invokeMethod(qApp, call, Qt::BlockingQueuedConnection);
    } else {
      R result{};
      QMetaObject::invokeMethod(qApp, [&] { result = call(); }, Qt::BlockingQueuedConnection);
      return result;
    }
  }

  // Tests `done` on the user-interface thread every 10 ms until it holds;
  // false after `timeout`.
  bool WaitFor(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    auto promise = std::make_shared<std::promise<void>>();
    auto fulfilled = std::make_shared<std::atomic<bool>>(false);
    std::future<void> future = promise->get_future();
    QTimer* timer = nullptr;
    OnUi([&] {
      timer = new QTimer;
      timer->setInterval(10);
      QObject::connect(timer, &QTimer::timeout, [done, promise, fulfilled] {
        if (!*fulfilled && done()) {
          *fulfilled = true;
          promise->set_value();
        }
      });
      timer->start();
    });
    const bool met = future.wait_for(timeout) == std::future_status::ready;
    OnUi([&] { delete timer; });
    return met;
  }

  // Closes the window as a person does; when it asks whether to save the
  // project, the person answers "No" with a click. True when it asked.
  // Nothing more reaches the window once it closed (the program block's
  // event loop ends with it).
  bool CloseWindow(TFKestruneMain& window) {
    if (closed_) return false;
    struct TClosing {
      std::mutex mutex;
      std::condition_variable changed;
      bool closed = false;
      std::optional<QPoint> no;  // the question's "No" button
    };
    auto closing = std::make_shared<TClosing>();
    auto tell = [closing](const std::function<void(TClosing&)>& change) {
      {
        std::lock_guard lock(closing->mutex);
        change(*closing);
      }
      closing->changed.notify_all();
    };
    OnUi([&] {
      // Watched from before the close: the question, and the loop's end.
      auto* watcher = new QObject(qApp);
      auto* timer = new QTimer(watcher);
      QObject::connect(timer, &QTimer::timeout, timer, [timer, tell] {
        auto* question = dynamic_cast<TQuestion*>(QApplication::activeModalWidget());
        if (!question || !question->isVisible() || !question->windowHandle() || !question->windowHandle()->isExposed()) {
          return;
        }
        timer->stop();
        const QPoint no = Center(question->TntButton3);
        tell([no](TClosing& c) { c.no = no; });
      });
      QObject::connect(qApp, &QCoreApplication::aboutToQuit, watcher, [watcher, timer, tell] {
        timer->stop();
        watcher->deleteLater();
        tell([](TClosing& c) { c.closed = true; });
      });
      timer->start(10);
      QTimer::singleShot(0, &window, [&window] { window.close(); });
    });
    auto wait = [&closing](const std::function<bool(TClosing&)>& done) {
      std::unique_lock lock(closing->mutex);
      return closing->changed.wait_for(lock, std::chrono::seconds(20), [&] { return done(*closing); });
    };
    EXPECT_TRUE(wait([](TClosing& c) { return c.closed || c.no.has_value(); })) << "the window neither closed nor asked";
    std::optional<QPoint> no;
    {
      std::lock_guard lock(closing->mutex);
      no = closing->closed ? std::nullopt : closing->no;
    }
    if (no) {
      ClickAt(*no);
      EXPECT_TRUE(wait([](TClosing& c) { return c.closed; })) << "the window did not close after No";
    }
    closed_ = true;
    return no.has_value();
  }

  // The window at rest: no search runs, the map does not animate, no
  // repaint of the map is pending.
  bool WaitForIdle(TFKestruneMain& window, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    return WaitFor(
        [&] {
          return !window.Session().SearchRunning() && !window.DrawAndEventMap1->Animating() &&
                 (window.DrawAndEventMap1->State() & TDrawAndEventMap::kStateAnimation) == 0;
        },
        timeout);
  }

  // ---- through the display server ----
  // Runs a program with its arguments and waits for its end; its status.
  int Command(const std::string& program, const std::vector<std::string>& arguments) {
    const pid_t pid = Start(program, arguments);
    if (pid < 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << program << " failed";
    return status;
  }
  // Moves the mouse there; returns once the display server has it there
  // (xdotool's own --sync waits for a move, which never comes when the mouse
  // is there already).
  void MoveTo(QPoint global) {
    if (OnUi([] { return QCursor::pos(); }) == global) return;
    Command("xdotool", {"mousemove", std::to_string(global.x()), std::to_string(global.y())});
    EXPECT_TRUE(WaitFor([global] { return QCursor::pos() == global; }, std::chrono::seconds(5)));
  }
  // 1 left, 2 middle, 3 right.
  void ClickAt(QPoint global, int button = 1) {
    MoveTo(global);
    Command("xdotool", {"click", std::to_string(button)});
  }
  void Type(const std::string& text) { Command("xdotool", {"type", "--delay", "20", text}); }
  // An X key name: "Return", "KP_Enter", "Escape".
  void Key(const std::string& name) { Command("xdotool", {"key", name}); }

  // Runs a program with its arguments and hands back what it printed, once it
  // ended.
  std::string Output(const std::string& program, const std::vector<std::string>& arguments) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
      ADD_FAILURE() << "no pipe for " << program;
      return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    const pid_t pid = Start(program, arguments, &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    std::string text;
    if (pid >= 0) {
      char buffer[4096];
      for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
          text.append(buffer, static_cast<size_t>(got));
        } else if (errno != EINTR) {
          break;
        }
      }
      int status = 0;
      waitpid(pid, &status, 0);
    }
    ::close(pipe[0]);
    return text;
  }
  // A window manager manages the display (it names its check window on the
  // root window).
  bool WindowManagerRunning() {
    return Output("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") != std::string::npos;
  }
  // The display server's window of a top-level widget.
  unsigned long long WindowId(QWidget* widget) {
    return OnUi([widget] { return static_cast<unsigned long long>(widget->window()->winId()); });
  }

  // The display server's picture of the screen.
  QImage Screen() {
    return OnUi([] { return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32); });
  }

  // The pixels of the map on the screen that differ from the map view's
  // back buffer, outside the controls that stand over the map; on the
  // user-interface thread.
  static int MapPixelsNotDrawn(TFKestruneMain& window) {
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    {
      TDrawAndEventMap& map = *window.DrawAndEventMap1;
      const QImage drawn = map.BackBuffer().convertToFormat(QImage::Format_RGB32);
      if (drawn.size() != map.size()) return map.width() * map.height();
      const QPoint origin = map.mapToGlobal(QPoint(0, 0));
      std::vector<QRect> over;
      for (QWidget* control : {static_cast<QWidget*>(window.IComboBox1), static_cast<QWidget*>(window.querybitmap),
                               static_cast<QWidget*>(window.BBtnSearch), static_cast<QWidget*>(window.BBtnSearch2)}) {
        if (control->isVisible()) over.push_back(QRect(control->mapTo(&map, QPoint(0, 0)), control->size()));
      }
      int differ = 0;
      for (int y = 0; y < map.height(); ++y) {
        for (int x = 0; x < map.width(); ++x) {
          if (std::any_of(over.begin(), over.end(), [&](const QRect& r) { return r.contains(x, y); })) continue;
          const QPoint at = origin + QPoint(x, y);
          if (!screen.rect().contains(at)) {
            ++differ;
            continue;
          }
          differ += (screen.pixel(at) & 0xFFFFFF) != (drawn.pixel(x, y) & 0xFFFFFF);
        }
      }
      return differ;
    }
  }
  // Waits until the screen shows the map the view drew, the window at rest;
  // the pixels that still differ.
  int WaitForTheMapOnTheScreen(TFKestruneMain& window) {
    int differ = -1;
    WaitForIdle(window);
    WaitFor([&] { return (differ = MapPixelsNotDrawn(window)) == 0; }, std::chrono::seconds(5));
    return differ;
  }

  // The text the browser control shows.
  QString PageText(TFKestruneMain& window) {
    auto promise = std::make_shared<std::promise<QString>>();
    std::future<QString> future = promise->get_future();
    OnUi([&] {
      window.EmbeddedWB1->page()->runJavaScript("document.body ? document.body.innerText : ''",
                                                [promise](const QVariant& value) { promise->set_value(value.toString()); });
    });
    return future.wait_for(std::chrono::seconds(10)) == std::future_status::ready ? future.get() : QString();
  }

  // Waits until the browser control shows the text; false after `timeout`.
  bool WaitForPageText(TFKestruneMain& window, const QString& text,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
      if (PageText(window).contains(text)) return true;
      WaitForIdle(window);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  // The menus on the screen.
  std::vector<QMenu*> ShownMenus() {
    return OnUi([] {
      std::vector<QMenu*> menus;
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible()) menus.push_back(menu);
      }
      return menus;
    });
  }

 private:
  // Starts a program with its arguments (its output where `actions` put it);
  // its process, or -1 when it cannot start.
  static pid_t Start(const std::string& program, const std::vector<std::string>& arguments,
                     const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), actions, nullptr, argv.data(), environ) != 0) {
      ADD_FAILURE() << program << " cannot be started";
      return -1;
    }
    return pid;
  }

  bool closed_ = false;
};

}  // namespace kestrune::test
